#pragma once
// The main window: menus, toolbars, the entry line, the score and rate panels,
// the log grid and the status bar; and the operations that tie them together.

#include "keyer/KeyerSettings.h"
#include "keyer/KeyingSettings.h"
#include "log/ContestSession.h"
#include "rig/RadioFollow.h"
#include "rig/RadioPort.h"
#include "rig/RadioSettings.h"
#include "ui/base/TableModel.h"

#include <QMainWindow>
#include <QPointer>
#include <QSpinBox>

#include <functional>

class QAction;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QSplitter;
class QTableView;
class QToolBar;
class QToolButton;

namespace zox {

class KeyerPlatform;
class TCMEnabler;
class TCwKeyer;
class TSerialIo;
class TUra;
class TMultiWnd;
class TMemorySender;
class TSendIndicator;
class TVoicePlayer;
class TWavSound;

// A keyer number field: typing counts at once, held within the range.
class KeyerSpinBox : public QSpinBox {
public:
    explicit KeyerSpinBox(QWidget* parent = nullptr);
protected:
    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;
};
class TDataFrm;

class TMainFrm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainFrm(QWidget* parent = nullptr);  // FormCreate
    ~TMainFrm() override;

    // What the information line says when the spoken exchange cannot go out.
    static inline const QString kInfoNoOwnYear = QStringLiteral("Ni lastnega množitelja !");
    static inline const QString kInfoOwnYearNotTwoDigits = QStringLiteral("Lastni množitelj ni dvomesten !");
    static inline const QString kInfoNoSoundDevice = QStringLiteral("Ni zvočne naprave !");

    // Main-window state.
    TCwKeyer* Keyer = nullptr;  // exists only while the keyer is on
    bool KeyerOn = false;
    KeyerPlatform* KeyerPlatformForTests = nullptr;  // clock for keyers made from now on
    TSerialIo* SerialIoForTests = nullptr;           // serial port calls for outputs made from now on
    TMemorySender* Sender = nullptr;  // the memory keys' send command
    TWavSound* WS = nullptr;          // voice messages
    TVoicePlayer* Voice = nullptr;    // the spoken exchange, file after file
    TSendIndicator* SendIndicator = nullptr;  // status bar: what is being sent
    TKeyerSettings KeyerSettings;     // the operator's memories and speeds
    TKeyingSettings KeyingSettings;   // where the keyer keys and sounds ("Keying")
    // The marks the entry line shows; worked out again whenever the call, the
    // mode or the year number changes. Save never reads them.
    bool DupeMark = false;
    bool NewMulti = false;
    TCMEnabler* Enabler = nullptr;
    QString LogDialogPath;  // the path last chosen in the log file dialog

    // Information line.
    void ShowInfo(int state);
    enum class MarkSource { Call, Year, Mode };
    void RefreshMarks(MarkSource source);

    // Score, rates and the QSO count, as the session has them.
    void ShowScore();
    void ResetScoreLabels();
    void ShowRates(double average, double second, double first);
    void ShowFigures();

    // Log files.
    void PrepareLogDialog();
    void ShowQsoCount();
    void SetTitle(int kind);
    void NewLog(int kind);
    void OpenLog();
    QString AskLogPath();   // the log file dialog; empty when cancelled
    void EnableQsoMenu();

    // Keyer.
    void KeyerEnable();
    void KeyerDisable();
    // The paddle poll of the keyer's thread: on in CW, off in SSB.
    void FollowModeWithPaddles();
    // A keyer output as the settings describe it; what failed to open goes to the status bar.
    std::unique_ptr<TKeyOutput> MakeKeyOutput();
    void SpeedStep(int delta);
    void RefreshKeyerFields();
    void SendMemoryKey(int slot);  // F1..F8
    void EditMemoryKey(int slot);  // Shift+F1..F8
    void ShowKeyerSetup();
    // Stops a message being keyed or spoken; false when none was.
    bool StopSending();
    void PlayVoiceExchange();  // F1 in SSB

    // The radio (uMainRadio.cpp): its mode becomes the program's, the
    // program's its; its state at the right of the status bar.
    RadioSettings RadioConfig;      // [Radio] in the settings file
    RadioLink* Radio = nullptr;     // none while the link is "none"
    // The radio as the keyer's output reaches it, whichever link is open.
    const std::shared_ptr<TRadioPort> RadioPort = std::make_shared<TRadioPort>();
    QLabel* RadioLabel = nullptr;
    void StartRadio();              // a new link from RadioConfig
    void StopRadio(int waitMs = 0); // waits for the radio thread at most waitMs
    void SetRadioSettings(const RadioSettings& settings);  // kept, and the link made anew

    // Browsing and correcting.
    void EditQso();
    void LoadEntry(const Contact& c);
    void DeleteQso();
    void FindCall();
    void RemoveQso(qint64 vexa);  // after the operator said yes

    // Reports.
    bool RequireLog();     // false, with the warning, when no log is open
    void Kreiraj2Click();  // listing
    void Kreiraj1Click();  // summary sheet
    void Adif1Click();
    void Cabrillo1Click();
    bool IsOpenLog(const QString& path);  // with the warning when it is

    // Settings file.
    void RestoreSettings();
    void SaveSettings(bool quiet = false);  // quiet: failures to the error output, no dialog

    // Entry line.
    void Save();
    Contact EntryContact() const;  // the line as it would be saved
    void ClearEntry();
    void Clear();
    void SetReports();
    void ChooseBand();
    bool TimeFieldBlank() const;
    // Enables the memory keys when the keyer is on, disables them when it is off.
    void SyncKeyerGroup();

    // Widgets, named as the program's own texts refer to them.
    QMenu* Datoteka = nullptr;
    QMenu* Urejanje = nullptr;
    QMenu* QsoMenu = nullptr;
    QMenu* Taster = nullptr;
    QMenu* Pomoc = nullptr;
    QAction* Nova1 = nullptr;
    QAction* Odpri1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Operator1 = nullptr;
    QAction* Multiplier2 = nullptr;
    QMenu* as1 = nullptr;  // "Čas"
    QAction* UtcCas = nullptr;
    QAction* LokalCas = nullptr;
    QAction* LogKreiraj = nullptr;
    QAction* LogUredi = nullptr;
    QAction* ZbirniKreiraj = nullptr;
    QAction* ZbirniUredi = nullptr;
    QAction* Adif1 = nullptr;
    QAction* Cabrillo1 = nullptr;
    QAction* PrvaZveza = nullptr;
    QAction* NaslednjaZveza = nullptr;
    QAction* PrejsnjaZveza = nullptr;
    QAction* ZadnjaZveza = nullptr;
    QAction* Najdi1 = nullptr;
    QAction* UrediZvezo = nullptr;
    QAction* IzbrisiZvezo = nullptr;
    QAction* Keyer1 = nullptr;  // "Omogoči"
    QMenu* Nastavitve = nullptr;
    QAction* NastavitveItem = nullptr;
    QList<QAction*> EditMemory;  // Shift+F1..F8
    QAction* AvtoEdit = nullptr;
    QAction* Povecaj = nullptr;
    QAction* Zmanjsaj = nullptr;
    QList<QAction*> SendMemory;  // F1..F8
    QAction* Vsebina = nullptr;
    QAction* Pravila = nullptr;
    QAction* Navodila = nullptr;
    QAction* Program1 = nullptr;

    QToolBar* SpeedBar1 = nullptr;
    QToolButton* SpeedItem1 = nullptr;
    QToolButton* SpeedItem2 = nullptr;
    QWidget* DBNavigator1 = nullptr;
    QList<QToolButton*> NavButtons;  // first, prior, next, last
    QToolButton* SpeedItem16 = nullptr;
    QToolButton* SpeedItem7 = nullptr;
    QToolButton* SpeedItem8 = nullptr;
    QToolButton* SpeedItem9 = nullptr;
    QToolButton* SpeedItem15 = nullptr;

    QToolBar* DbBar = nullptr;
    QList<QToolButton*> FButtons;  // F1..F8
    QToolButton* ZvocnikBtn = nullptr;
    QToolButton* AutoEditBtn = nullptr;
    QToolButton* SpeedItem12 = nullptr;
    QSpinBox* edKeyerSpeed = nullptr;
    QSpinBox* edkeyerSpeed1 = nullptr;
    QSpinBox* edKeyerSpeed2 = nullptr;
    QSpinBox* edKeyerTone = nullptr;

    QWidget* Panel1 = nullptr;
    QDateEdit* edDate = nullptr;
    QLineEdit* edUtc = nullptr;
    QComboBox* cbMode = nullptr;
    QComboBox* cbBand = nullptr;
    QLineEdit* edRstS = nullptr;
    QLineEdit* edMyMulti = nullptr;
    QToolButton* edMyMultiButton = nullptr;
    QLineEdit* edCall = nullptr;
    QLineEdit* edHisMulti = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QLineEdit* edRstR = nullptr;
    QLabel* InfoLabel = nullptr;
    QWidget* Panel3 = nullptr;
    QLabel* lblCwTocke = nullptr;
    QLabel* lblCwMulti = nullptr;
    QLabel* lblSsbTocke = nullptr;
    QLabel* lblSsbMulti = nullptr;
    QLabel* lblSkpTocke = nullptr;
    QLabel* lblSkpMnoz = nullptr;
    QLabel* lblRezultat = nullptr;
    QGroupBox* Statistika = nullptr;
    QLabel* lblPrvaUra = nullptr;
    QLabel* lblDrugaUra = nullptr;
    QLabel* lblPovprecje = nullptr;
    QSplitter* Splitter1 = nullptr;
    QTableView* LogGrid = nullptr;
    TableModel* LogModel = nullptr;
    TUra* Ura = nullptr;       // the clock window
    TMultiWnd* MultiWnd = nullptr;  // the year-number list
    QMenu* EditMnu = nullptr;  // "Pisava" on the call fields

    TDataFrm& Data;
    ContestSession Session;  // the open log, its score and the correction

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* obj, QEvent* e) override;

private:
    void FormShow();
    void FormClose();
    void buildMenus();
    void buildToolbars();
    void buildEntryPanel();
    void buildGrid();
    void buildKeyer();
    void cbModeChange(int index);
    void cbBandChange(int index);
    void edCallChange(const QString& text);
    void edHisMultiChange(const QString& text);
    void EnterHisMulti();  // the year-number lookup on moving into the field
    void SwitchLog(const QString& path, bool create, int kind);
    void AfterLogSwitch(bool lineWasCorrection);
    void ShowNoLog();  // the window with no log open
    void SpeedItem9Click();
    void followCurrentRow(int row);
    QAction* TasterShortcut(const QKeyEvent* k) const;
    bool GridEvent(QEvent* e);
    bool filterEvent(QObject* obj, QEvent* e);

    void RestoreKeyerKeys(const class IniFile& ini);
    void SaveKeyerKeys(class IniFile& ini);
    void RestoreRadioKeys(const class IniFile& ini);
    void SaveRadioKeys(class IniFile& ini);
    void RadioReport(const RadioStatus& status);
    void ShowRadioText(const QString& text, bool warning);
    void ModeFromRadio(int index);
    void ModeFromRadioAgain();
    void ModeToRadio();
    void RestoreClockProperties(const class IniFile& ini);
    void SaveClockProperties(class IniFile& ini);

    bool m_shown = false;
    bool m_settingsSaved = false;
    QList<QWidget*> m_sizable;  // entry-panel controls that Ctrl + left click can move and size
    bool m_settingCall = false;
    QString m_yearLookedUpFor;  // the call whose year number the field was last filled for
    int m_closedListener = 0;
    int m_qsoCount = 0;  // the count last read
    bool m_lineRefused = false;
    bool m_writingRow = false;  // a grid row being written as the operator leaves it  // the line holds a contact the log could not store
    bool m_placementRestored = false;  // the settings held the window's placement
    bool m_clockRestored = false;      // and the clock's position
    ModeFollower m_radioMode;
    bool m_radioSettingsChanged = false;   // [Radio] is written only when changed here
    QString m_radioNote;                   // what was wrong with [Radio] in the settings file
};

}  // namespace zox
