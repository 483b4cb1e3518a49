#pragma once
// The operator and station data: the dialog that edits the whole record, and the
// entry line's quick change of the operator's own multiplier.

#include "app/uGlob.h"

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTabWidget;

namespace zox {

// "User info": pages "User" and "Rig", OK and Cancel. Nothing is read from or written to
// a record by the dialog itself; loadFrom and storeTo do that, so the caller decides
// whether OK was pressed.
class TUserDlgFrm : public QDialog {
    Q_OBJECT
public:
    explicit TUserDlgFrm(QWidget* parent = nullptr);

    void loadFrom(const TUserInfo& info);  // fills the ten edits
    void storeTo(TUserInfo& info) const;   // copies the ten edits back, exactly as typed

    QTabWidget* PageControl1 = nullptr;
    QWidget* tsUser = nullptr;
    QWidget* tsRig = nullptr;

    QLineEdit* edFName = nullptr;
    QLineEdit* edLName = nullptr;
    QLineEdit* edAddr = nullptr;
    QLineEdit* edCity = nullptr;
    QLineEdit* edCountry = nullptr;
    QLineEdit* edCall = nullptr;
    QLineEdit* edMulti = nullptr;

    QLineEdit* edRig = nullptr;
    QLineEdit* edPower = nullptr;
    QLineEdit* edAntenna = nullptr;

    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    QLineEdit* addField(QWidget* page, const QString& label, const char* name, int x, int y, int width);
    void addFootLabel(QWidget* page, const char* name);
};

// Menu "Urejanje" > "Operator": shows the dialog modally over `parent` filled from
// `info`. OK copies the fields back into `info` and returns true; Cancel, Escape and
// the close box leave `info` untouched and return false.
bool EditUserInfo(QWidget* parent, TUserInfo& info);

// The ellipsis button of the entry line's own-multiplier field: asks for a new
// multiplier starting from the current one. On OK the typed text becomes
// info.User.Multi and true is returned (the caller shows it in edMyMulti at once);
// on Cancel nothing changes.
bool AskMyMulti(TUserInfo& info);

}  // namespace zox
