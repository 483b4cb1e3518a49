#pragma once
// The open log as the operator works it: which log is open, the contact being
// corrected, and the figures that follow from the log (every stored `Point`
// and `MultiP`, the totals, the hour counts). Windows show what it says and
// forward commands to it; nothing else decides a score.
//
// Every change to the log goes through here and is one transaction together
// with the rescoring it causes; the figures change only once it is committed.
// Storage errors leave as storage::EngineError with the log and the figures
// as they were. User-interface thread only.

#include "log/uData.h"
#include "scoring/Score.h"

#include <QDate>
#include <QTime>

#include <map>
#include <optional>
#include <stdexcept>

namespace zox {

// A value the operator typed that the log cannot take; the text says why.
class InputError : public std::runtime_error {
public:
    explicit InputError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

// A contact as the entry line holds it.
struct Contact {
    QDate date;
    QTime utc;  // an invalid time is refused
    QString call, mode, band, rstS, rstR, multiR, contest;
    bool operator==(const Contact&) const = default;
};

// The marks the entry line shows while a contact is typed.
struct EntryMarks {
    bool dupe = false;
    bool newMulti = false;
};

enum class SaveOutcome {
    Saved,      // appended as a new QSO
    Corrected,  // written into the QSO being corrected
    NoLog,
    NoCall,
    NoYear,
    BadTime,
    BadYear,    // the received year number is not a number
};

enum class OpenOutcome {
    Opened,
    NotALog,  // not a table with the log's fields: refused, unchanged
    Damaged,  // a log SQLite finds damaged: refused, unchanged
};

class ContestSession {
public:
    explicit ContestSession(TDataFrm& data);

    bool IsOpen() const;
    QString LogPath() const;  // empty when none is open

    // Opens an existing log, or creates one (an existing log is opened as it is).
    // Either first closes the current log and ends a correction; when the new log
    // cannot be opened, the one that was open is opened again and the error goes on.
    OpenOutcome Open(const QString& path);
    OpenOutcome Create(const QString& path);
    void Close();

    // Would a contact with these values be a duplicate, and bring a multiplier?
    EntryMarks Check(const QString& call, const QString& mode, const QString& multiR);
    // The year number the reference list holds for a call; empty when unknown.
    QString LookupYear(const QString& call);

    // Appends the contact, or writes it into the QSO being corrected (which ends
    // the correction). Its marks come from the rule and the log as stored.
    SaveOutcome Save(const Contact& c, qint64* vexa = nullptr);

    // Loads a stored QSO for correction; throws when it is gone.
    Contact BeginCorrection(qint64 vexa);
    void EndCorrection();
    bool Correcting() const { return m_correction.has_value(); }
    qint64 CorrectionId() const { return m_correction ? m_correction->vexa : 0; }

    // Deletes a QSO; deleting the one being corrected ends the correction.
    void Delete(qint64 vexa);
    // Writes fields of one QSO (0: appends a new one) as the grid edits them, by
    // the entry line's rules (a call in capitals, CW or SSB, a year of digits;
    // a new QSO needs a call and a year), else InputError. The marks are not
    // taken from `fields`: they follow from the rule.
    qint64 WriteFields(qint64 vexa, const std::map<QString, QVariant>& fields);
    // Derives every mark of the log again and rewrites those that differ; returns
    // how many QSOs were corrected.
    int Recheck();

    const ScoreTotals& Totals() const { return m_totals; }
    const HourCounts& Rates() const { return m_rates; }
    int QsoCount() const;

private:
    struct Correction {
        QString path;
        qint64 vexa = 0;
    };
    // The fields of a QSO that the rule and the figures read.
    struct Scored {
        QString call, mode, multiR;
        QVariant point, multiP, utc;
    };
    struct Change;  // figures of one operation, applied once it is committed

    OpenOutcome Switch(const QString& path, bool create);
    void OpenTables(const QString& path);
    void CloseTables();
    void Recount();
    Scored ReadScored(qint64 vexa) const;
    void WriteContact(qint64 vexa, const std::map<QString, QVariant>& fields, Change& change);
    struct Group {
        bool byCall = true;  // else by year number
        QString value, mode;
        bool operator==(const Group&) const = default;
    };
    static QList<Group> GroupsOf(const Scored& q);
    void Settle(const Group& g, qint64 self, bool selfWasIn, bool selfIsIn, Change& change);

    TDataFrm& m_data;
    std::optional<Correction> m_correction;
    ScoreTotals m_totals;
    HourCounts m_rates;
};

}  // namespace zox
