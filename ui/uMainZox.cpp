#include "ui/uMainZox.h"

#include "app/TimeBase.h"
#include "app/IniFile.h"
#include "app/uGlob.h"
#include "log/uData.h"
#include "ui/base/CMEnable.h"
#include "ui/base/Dialogs.h"
#include "ui/base/Navigator.h"
#include "ui/base/UpperCase.h"
#include "ui/FormStorage.h"
#include "ui/uClock.h"
#include "letnice/uMultiWnd.h"
#include "ui/uUserDlg.h"
#include "ui/HelpViewer.h"
#include "ui/ProUtils.h"
#include "ui/uAbout.h"
#include "ui/SizingFrame.h"
#include "ui/LogGridDelegate.h"
#include "keyer/CwKeyer.h"
#include "keyer/Macros.h"
#include "keyer/audio/WavSound.h"

#include <QAbstractButton>
#include <QAction>
#include <QFocusEvent>
#include <functional>
#include <QActionGroup>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCloseEvent>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStatusTipEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QMenu>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOption>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>

#include <exception>

namespace zox {

namespace {

const char* const kTitle = "Zox prvenstvo ";
const QStringList kBands{"160", "80", "40", "20", "15", "10"};
const char* const kInfoTexts[] = {"", "No table Open !", "Dupe !", "New Multiplier !"};

// The width a line edit needs to show `text` whole, in its own font and style.
int LineEditWidthFor(const QLineEdit* e, const QString& text)
{
    QStyleOptionFrame opt;
    opt.initFrom(e);
    opt.lineWidth = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e);
    const QRect contents = e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e);
    const QMargins m = e->textMargins();
    // Two pixels each side inside the contents and one for the cursor, as the field draws.
    return QFontMetrics(e->font()).horizontalAdvance(text) + (e->width() - contents.width()) + m.left() + m.right() + 5;
}

QLabel* makeLabel(QWidget* parent, const QString& text, int x, int y, QWidget* buddy)
{
    auto* l = new QLabel(text, parent);
    l->move(x, y);
    if (buddy) l->setBuddy(buddy);
    l->adjustSize();
    return l;
}

}  // namespace

TMainFrm::TMainFrm(QWidget* parent) : QMainWindow(parent), Data(DataFrm()), Session(Data)
{
    setObjectName("MainFrm");
    resize(787, 599);
    Enabler = new TCMEnabler(this);
    buildMenus();
    buildToolbars();
    buildEntryPanel();
    buildGrid();
    buildKeyer();
    Ura = new TUra(this);
    MultiWnd = new TMultiWnd(this, Data.LetniceTbl);
    connect(Multiplier2, &QAction::triggered, this, [this] {  // Multiplier2Click
        MultiWnd->show();
        MultiWnd->raise();
        MultiWnd->activateWindow();
    });
    connect(SpeedItem15, &QToolButton::clicked, Ura, &TUra::Toggle);
    connect(Operator1, &QAction::triggered, this, [this] {
        if (EditUserInfo(this, UserInfo)) edMyMulti->setText(UserInfo.User.Multi);
    });
    connect(edMyMultiButton, &QToolButton::clicked, this, [this] {
        if (AskMyMulti(UserInfo)) edMyMulti->setText(UserInfo.User.Multi);
    });
    // "Pisava": one font for both call fields.
    EditMnu = new QMenu(this);
    EditMnu->setObjectName("EditMnu");
    QAction* pisava = EditMnu->addAction("Pisava");
    connect(pisava, &QAction::triggered, this, [this] {
        QFont f = edCall->font();
        if (!Dialogs().chooseFont(this, f)) return;
        edCall->setFont(f);
        edHisMulti->setFont(f);
    });
    for (QLineEdit* e : {edCall, edHisMulti}) {
        e->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(e, &QWidget::customContextMenuRequested, this, [this, e](const QPoint& p) { EditMnu->popup(e->mapToGlobal(p)); });
    }

    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    Splitter1 = new QSplitter(Qt::Vertical, central);
    Splitter1->setObjectName("Splitter1");
    Splitter1->setHandleWidth(3);
    Splitter1->addWidget(Panel1);
    Splitter1->addWidget(LogGrid);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setCollapsible(0, false);
    Splitter1->setSizes({207, 320});  // dragging the splitter changes the entry panel's height
    v->addWidget(Splitter1);
    setCentralWidget(central);
    statusBar()->setObjectName("StatusBar");

    // Control groups.
    for (QAction* a : SendMemory) Enabler->Add(a, "FGrup");
    for (QToolButton* b : FButtons) Enabler->Add(b, "FGrup");
    Enabler->Add(DBNavigator1, "Db");
    Enabler->Add(SpeedItem7, "Db");
    Enabler->Add(SpeedItem8, "Db");
    Enabler->Add(SpeedItem9, "Db");
    Enabler->Add(DbBar, "Keyer");
    Enabler->SetUseDisableColor(true);
    Enabler->SetAllEnabled(true);

    // FormCreate
    NewMulti = false;
    DupeMark = false;
    // A log closed by a failure (not by a switch) leaves the window showing no log.
    m_closedListener = Data.LogTbl.addListener([this](Table::Event e) {
        if (e != Table::Event::Closed) return;
        QMetaObject::invokeMethod(this, [this] { if (!Session.IsOpen()) ShowNoLog(); }, Qt::QueuedConnection);
    });
    // One filter for the whole program: the window sees every key first, and the
    // entry fields' and the grid's focus changes.
    qApp->installEventFilter(this);
}

TMainFrm::~TMainFrm()
{
    if (m_shown && !m_settingsSaved) SaveSettings(true);
    delete Sender;
    Data.LogTbl.removeListener(m_closedListener);
    qApp->removeEventFilter(this);
    delete LogModel;  // before the cursors it listens to go
    LogModel = nullptr;
}

// ---------------------------------------------------------------- building

void TMainFrm::buildMenus()
{
    auto mb = menuBar();
    Datoteka = mb->addMenu("&Datoteka");
    Nova1 = Datoteka->addAction("&Nova");
    Odpri1 = Datoteka->addAction("&Odpri");
    Datoteka->addSeparator();
    Exit1 = Datoteka->addAction("&Konec");
    connect(Nova1, &QAction::triggered, this, [this] { NewLog(ContestKind); });
    connect(Odpri1, &QAction::triggered, this, [this] { OpenLog(); });
    connect(Exit1, &QAction::triggered, this, &QWidget::close);

    Urejanje = mb->addMenu("&Urejanje");
    Operator1 = Urejanje->addAction("&Operator");
    Urejanje->addSeparator();
    Multiplier2 = Urejanje->addAction("&Množitelji");
    Urejanje->addSeparator();
    as1 = Urejanje->addMenu("Ča&s");
    UtcCas = as1->addAction("&Utc");
    LokalCas = as1->addAction("&Lokalni čas");
    for (QAction* a : {UtcCas, LokalCas}) a->setCheckable(true);
    auto* timeGroup = new QActionGroup(this);
    timeGroup->addAction(UtcCas);
    timeGroup->addAction(LokalCas);
    connect(as1, &QMenu::aboutToShow, this, [this] { (UtcMode ? UtcCas : LokalCas)->setChecked(true); });
    connect(UtcCas, &QAction::triggered, this, [] { UtcMode = true; });
    connect(LokalCas, &QAction::triggered, this, [] { UtcMode = false; });
    QMenu* log = Urejanje->addMenu("&Log");
    LogKreiraj = log->addAction("&Kreiraj");
    LogUredi = log->addAction("&Uredi");
    QMenu* zbirni = Urejanje->addMenu("&Zbirni list");
    ZbirniKreiraj = zbirni->addAction("&Kreiraj");
    ZbirniUredi = zbirni->addAction("&Uredi");
    Urejanje->addSeparator();
    Adif1 = Urejanje->addAction("&Adif");
    Cabrillo1 = Urejanje->addAction("&Cabrillo");
    connect(LogKreiraj, &QAction::triggered, this, [this] { Kreiraj2Click(); });
    connect(LogUredi, &QAction::triggered, this, [] { Uredi2Click(UserInfo.User.Call); });
    connect(ZbirniUredi, &QAction::triggered, this, [] { Uredi1Click(UserInfo.User.Call); });
    connect(ZbirniKreiraj, &QAction::triggered, this, [this] { Kreiraj1Click(); });
    connect(Adif1, &QAction::triggered, this, [this] { Adif1Click(); });
    connect(Cabrillo1, &QAction::triggered, this, [this] { Cabrillo1Click(); });

    QsoMenu = mb->addMenu("&Qso");
    PrvaZveza = QsoMenu->addAction("&Prva zveza");
    NaslednjaZveza = QsoMenu->addAction("&Naslednja zveza");
    PrejsnjaZveza = QsoMenu->addAction("P&rejšnja zveza");
    ZadnjaZveza = QsoMenu->addAction("&Zadnja zveza");
    QsoMenu->addSeparator();
    Najdi1 = QsoMenu->addAction("Na&jdi");
    Najdi1->setShortcut(QKeySequence("Ctrl+F"));
    UrediZvezo = QsoMenu->addAction("&Uredi zvezo");
    IzbrisiZvezo = QsoMenu->addAction("&Izbriši zvezo");
    IzbrisiZvezo->setShortcut(QKeySequence("Ctrl+W"));
    connect(Najdi1, &QAction::triggered, this, [this] { FindCall(); });
    connect(UrediZvezo, &QAction::triggered, this, [this] { EditQso(); });
    connect(IzbrisiZvezo, &QAction::triggered, this, [this] { DeleteQso(); });
    QsoMenu->setEnabled(false);
    QsoMenu->menuAction()->setEnabled(false);
    auto nav = [this](void (Table::*move)()) {
        return [this, move] { Guarded([&] { if (Data.LogTbl.isOpen()) std::invoke(move, Data.LogTbl); }); };
    };
    connect(PrvaZveza, &QAction::triggered, this, nav(&Table::first));
    connect(NaslednjaZveza, &QAction::triggered, this, nav(&Table::next));
    connect(PrejsnjaZveza, &QAction::triggered, this, nav(&Table::prior));
    connect(ZadnjaZveza, &QAction::triggered, this, nav(&Table::last));

    Taster = mb->addMenu("&Taster");
    Keyer1 = Taster->addAction("&Omogoči");
    Keyer1->setCheckable(true);
    Nastavitve = Taster->addMenu("&Nastavitve");
    NastavitveItem = Nastavitve->addAction("&Nastavitve");
    const QStringList ordinals{"Prvi", "Drugi", "Tretji", "Četrti", "Peti", "Šesti", "Sedmi", "Osmi"};
    for (int i = 0; i < 8; ++i) {
        QAction* a = Nastavitve->addAction(ordinals[i] + " spomin");
        a->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key(Qt::Key_F1 + i)));
        EditMemory << a;
    }
    AvtoEdit = Taster->addAction("&Avto edit");
    AvtoEdit->setCheckable(true);
    Taster->addSeparator();
    Povecaj = Taster->addAction("&Povečaj hitrost");
    Povecaj->setShortcut(QKeySequence("Ctrl+U"));
    Zmanjsaj = Taster->addAction("&Zmanjšaj hitrost");
    Zmanjsaj->setShortcut(QKeySequence("Ctrl+D"));
    Taster->addSeparator();
    for (int i = 0; i < 8; ++i) {
        QAction* a = Taster->addAction(ordinals[i] + " spomin");
        a->setShortcut(QKeySequence(Qt::Key(Qt::Key_F1 + i)));
        SendMemory << a;
    }

    // The memory keys follow the keyer whenever the menu opens.
    connect(Taster, &QMenu::aboutToShow, this, [this] { SyncKeyerGroup(); });

    Pomoc = mb->addMenu("&Pomoč");
    Vsebina = Pomoc->addAction("&Vsebina");
    Pomoc->addSeparator();
    Pravila = Pomoc->addAction("&ZOX pravila");
    Navodila = Pomoc->addAction("&Navodila za uporabo");
    Pomoc->addSeparator();
    Program1 = Pomoc->addAction("&Program");
    connect(Vsebina, &QAction::triggered, this, [] { ShowHelpContents(); });
    connect(Pravila, &QAction::triggered, this, [] { Pravila1Click(); });
    connect(Navodila, &QAction::triggered, this, [] { Navodila1Click(); });
    connect(Program1, &QAction::triggered, this, [this] { ShowAbout(this); });
}

void TMainFrm::buildToolbars()
{
    auto button = [this](QToolBar* bar, const QString& name, const QString& tip, QStyle::StandardPixmap icon,
                         const QString& caption = QString()) {
        auto* b = new QToolButton(bar);
        b->setObjectName(name);
        b->setToolTip(tip);
        if (caption.isEmpty()) b->setIcon(style()->standardIcon(icon));
        else b->setText(caption);
        b->setFixedSize(caption.size() > 2 ? QSize(36, 23) : QSize(24, 23));
        bar->addWidget(b);
        return b;
    };
    SpeedBar1 = addToolBar("SpeedBar1");
    SpeedBar1->setObjectName("SpeedBar1");
    SpeedBar1->setFixedHeight(29);
    SpeedBar1->setMovable(false);
    SpeedItem1 = button(SpeedBar1, "SpeedItem1", "Nova...", QStyle::SP_FileIcon);
    SpeedItem2 = button(SpeedBar1, "SpeedItem2", "Odpri...", QStyle::SP_DialogOpenButton);
    DBNavigator1 = MakeNavigator(SpeedBar1, {"First Qso", "Prior Qso", "Next Qso", "Last Qso"}, NavButtons);
    DBNavigator1->setObjectName("DBNavigator1");
    SpeedBar1->addWidget(DBNavigator1);
    connect(NavButtons[0], &QToolButton::clicked, PrvaZveza, &QAction::trigger);
    connect(NavButtons[1], &QToolButton::clicked, PrejsnjaZveza, &QAction::trigger);
    connect(NavButtons[2], &QToolButton::clicked, NaslednjaZveza, &QAction::trigger);
    connect(NavButtons[3], &QToolButton::clicked, ZadnjaZveza, &QAction::trigger);
    SpeedItem16 = button(SpeedBar1, "SpeedItem16", "Najdi", QStyle::SP_FileDialogContentsView, "Najdi");
    SpeedItem7 = button(SpeedBar1, "SpeedItem7", "Izbriši zvezo", QStyle::SP_TrashIcon);
    SpeedItem8 = button(SpeedBar1, "SpeedItem8", "Uredi zvezo", QStyle::SP_FileDialogDetailedView);
    SpeedItem9 = button(SpeedBar1, "SpeedItem9", "Preveri rezultat", QStyle::SP_BrowserReload);
    SpeedItem15 = button(SpeedBar1, "SpeedItem15", "Ura\nPokaži/Skrij", QStyle::SP_ComputerIcon);
    connect(SpeedItem1, &QToolButton::clicked, this, [this] { NewLog(2); });
    connect(SpeedItem2, &QToolButton::clicked, this, [this] { OpenLog(); });
    connect(SpeedItem9, &QToolButton::clicked, this, [this] { SpeedItem9Click(); });
    connect(SpeedItem16, &QToolButton::clicked, Najdi1, &QAction::trigger);
    connect(SpeedItem7, &QToolButton::clicked, IzbrisiZvezo, &QAction::trigger);
    connect(SpeedItem8, &QToolButton::clicked, UrediZvezo, &QAction::trigger);

    addToolBarBreak();
    DbBar = addToolBar("Keyer");
    DbBar->setObjectName("DbBar");
    DbBar->setFixedHeight(29);
    DbBar->setMovable(false);
    const QStringList longTexts{"Prvi spomin", "Drugi spomin", "Tretji spomin", "Četrti spomin",
                                "Peti spomin", "Šest spomin",  "Sedmi spomin",  "Osmi spomin"};
    for (int i = 0; i < 8; ++i) {
        auto* b = button(DbBar, QString("F%1").arg(i + 1), QString("F%1").arg(i + 1), QStyle::SP_CustomBase,
                         QString("F%1").arg(i + 1));
        b->setStatusTip(longTexts[i]);  // the long hint, in the status line
        b->setFixedSize(24, 23);
        FButtons << b;
    }
    ZvocnikBtn = button(DbBar, "ZvocnikBtn", "Zvočnik \nVklop/Izklop", QStyle::SP_MediaVolume);
    ZvocnikBtn->setCheckable(true);
    AutoEditBtn = button(DbBar, "AutoEditBtn", "Auto edit\nVklop/Izklop", QStyle::SP_DialogApplyButton);
    AutoEditBtn->setCheckable(true);
    SpeedItem12 = button(DbBar, "SpeedItem12", "Tune", QStyle::SP_CustomBase, "Tune");
    auto spin = [this](const QString& name, const QString& tip, int lo, int hi, int value, int step) {
        auto* s = new KeyerSpinBox(DbBar);
        s->setObjectName(name);
        s->setToolTip(tip);
        s->setRange(lo, hi);
        s->setSingleStep(step);
        s->setValue(value);
        s->setFixedWidth(60);
        DbBar->addWidget(s);
        return s;
    };
    edKeyerSpeed = spin("edKeyerSpeed", "Normalna\nhitrost\ntastanja", 50, 255, 115, 1);
    edkeyerSpeed1 = spin("edkeyerSpeed1", "Večja\nhitrost\ntastanja", 50, 255, 150, 1);
    edKeyerSpeed2 = spin("edKeyerSpeed2", "Največja\nhitrost\ntastanja", 50, 255, 170, 1);
    edKeyerTone = spin("edKeyerTone", "Barva\ntona", 300, 2000, 600, 50);
}

void TMainFrm::buildEntryPanel()
{
    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setMinimumHeight(60);
    Panel1->resize(Panel1->width(), 207);
    QFont labelFont("MS Sans Serif");
    labelFont.setPixelSize(13);
    QFont fieldFont = labelFont;
    fieldFont.setBold(true);

    auto field = [&](QWidget* w, const char* name, int x, int y, int width) {
        w->setObjectName(name);
        w->setFont(fieldFont);
        w->setGeometry(x, y, width, 21);
    };
    edDate = new QDateEdit(Panel1);
    edDate->setCalendarPopup(true);
    edDate->setDisplayFormat("dd.MM.yyyy");
    edDate->setToolTip("Pick a date");
    field(edDate, "edDate", 8, 58, 121);
    edUtc = new QLineEdit(Panel1);
    edUtc->setInputMask("90:00:00");
    edUtc->setMaxLength(8);
    field(edUtc, "edUtc", 135, 58, 66);
    // The time field shows all of "23:59:59" in the font that stands in; the room comes
    // from the date field, which has more than its date needs.
    if (const int extra = LineEditWidthFor(edUtc, "23:59:59") - edUtc->width(); extra > 0) {
        edDate->resize(edDate->width() - extra, edDate->height());
        edUtc->setGeometry(edUtc->x() - extra, edUtc->y(), edUtc->width() + extra, edUtc->height());
    }
    cbMode = new QComboBox(Panel1);
    cbMode->addItems({"CW", "SSB"});
    field(cbMode, "cbMode", 205, 58, 60);
    cbBand = new QComboBox(Panel1);
    cbBand->addItems(kBands);
    field(cbBand, "cbBand", 272, 58, 60);
    edRstS = new QLineEdit("599", Panel1);
    edRstS->setMaxLength(10);
    field(edRstS, "edRstS", 337, 58, 50);
    edRstR = new QLineEdit("599", Panel1);
    edRstR->setMaxLength(10);
    field(edRstR, "edRstR", 393, 58, 50);
    edMyMulti = new QLineEdit(Panel1);
    edMyMulti->setReadOnly(true);
    field(edMyMulti, "edMyMulti", 457, 58, 52);
    edMyMultiButton = new QToolButton(Panel1);
    edMyMultiButton->setObjectName("edMyMultiButton");
    edMyMultiButton->setText("...");
    edMyMultiButton->setGeometry(509, 58, 20, 21);
    edMyMultiButton->setFocusPolicy(Qt::NoFocus);
    edCall = new QLineEdit(Panel1);
    field(edCall, "edCall", 8, 118, 193);
    edCall->setFont(labelFont);
    edCall->setMaxLength(20);
    ForceUpperCase(edCall);
    edHisMulti = new QLineEdit(Panel1);
    edHisMulti->setMaxLength(2);
    field(edHisMulti, "edHisMulti", 205, 118, 50);
    Button1 = new QPushButton("Shrani", Panel1);
    Button1->setObjectName("Button1");
    Button1->setGeometry(454, 149, 75, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton("Počisti", Panel1);
    Button2->setObjectName("Button2");
    Button2->setGeometry(454, 117, 75, 25);

    makeLabel(Panel1, "D&atum", 8, 40, edDate);
    makeLabel(Panel1, "&Gmt", edUtc->x(), 40, edUtc);
    makeLabel(Panel1, "&Vrsta\noddaje", 205, 26, cbMode);
    makeLabel(Panel1, "&Band", 272, 40, cbBand);
    makeLabel(Panel1, "&Oddan\nraport", 337, 26, edRstS);
    // The received report's access key leads nowhere: show the underline without a buddy.
    auto* sprejet = makeLabel(Panel1, "<u>S</u>prejet<br>raport", 393, 26, nullptr);
    sprejet->setTextFormat(Qt::RichText);
    sprejet->adjustSize();
    makeLabel(Panel1, "&Moj\nmnož.", 457, 26, edMyMulti);
    makeLabel(Panel1, "&Znak", 8, 100, edCall);
    makeLabel(Panel1, "&Njegov\nmnož.", 205, 86, edHisMulti);
    for (QLabel* l : Panel1->findChildren<QLabel*>()) {
        l->setFont(labelFont);
        l->adjustSize();
    }

    InfoLabel = new QLabel(Panel1);
    InfoLabel->setObjectName("InfoLabel");
    InfoLabel->setGeometry(8, 183, 250, 18);
    InfoLabel->setStyleSheet("color: red;");
    InfoLabel->setFont(fieldFont);

    // Result panel.
    Panel3 = new QWidget(Panel1);
    Panel3->setObjectName("Panel3");
    Panel3->setGeometry(545, 6, 185, 168);
    auto value = [&](const char* name, int x, int y, const char* style = "color: black;") {
        auto* l = new QLabel("0", Panel3);
        l->setObjectName(name);
        l->setGeometry(x, y, 60, 18);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setStyleSheet(style);
        l->setFont(fieldFont);
        return l;
    };
    auto title = [&](const QString& text, int x, int y, const char* style) {
        auto* l = new QLabel(text, Panel3);
        l->setStyleSheet(style);
        l->setFont(fieldFont);
        l->setGeometry(x, y, qMax(60, l->sizeHint().width()), 18);  // wider where the font needs it
        return l;
    };
    const char* head = "color: rgb(128,64,64);";
    const char* rowTitle = "color: rgb(128,128,255);";
    title("Točke", 60, 4, head)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    title("Množ", 120, 4, head)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    title("CW", 6, 28, rowTitle);
    title("SSB", 6, 52, rowTitle);
    title("Skupaj", 6, 88, rowTitle);
    title("Rezultat", 6, 128, rowTitle);
    for (int y : {78, 118}) {
        auto* rule = new QFrame(Panel3);
        rule->setFrameShape(QFrame::HLine);
        rule->setGeometry(6, y, 173, 4);
    }
    lblCwTocke = value("lblCwTocke", 60, 28);
    lblCwMulti = value("lblCwMulti", 120, 28);
    lblSsbTocke = value("lblSsbTocke", 60, 52);
    lblSsbMulti = value("lblSsbMulti", 120, 52);
    lblSkpTocke = value("lblSkpTocke", 60, 88);
    lblSkpMnoz = value("lblSkpMnoz", 120, 88);
    lblRezultat = value("lblRezultat", 80, 128, "color: olive;");
    lblRezultat->setGeometry(70, 128, 110, 20);

    Statistika = new QGroupBox("Statistika", Panel1);
    Statistika->setObjectName("Statistika");
    Statistika->setGeometry(272, 92, 171, 97);
    Statistika->setStyleSheet("QGroupBox { color: grey; }");
    QFont small = labelFont;
    small.setPixelSize(11);  // three titles share the group's width
    const QStringList captions{"Prva ura", "Druga ura", "Povprečje"};
    QList<QLabel*> titles;
    int titlesWidth = 0;
    for (const QString& caption : captions) {
        auto* t = new QLabel(caption, Statistika);
        t->setStyleSheet("color: maroon;");
        t->setFont(small);
        t->resize(t->sizeHint().width(), 18);
        titlesWidth += t->width();
        titles << t;
    }
    // Whatever font stands in, the titles keep a gap between them: the group grows to
    // the left, into free space, when its design width is too small.
    const int margin = 6, minGap = 6;
    const int needed = titlesWidth + 2 * minGap + 2 * margin;
    if (needed > Statistika->width())
        Statistika->setGeometry(Statistika->geometry().right() + 1 - needed, 92, needed, 97);
    const int gap = (Statistika->width() - 2 * margin - titlesWidth) / 2;
    QList<QLabel*> values;
    int x = margin;
    for (int i = 0; i < titles.size(); ++i) {
        titles[i]->move(x, 22);
        auto* l = new QLabel("0", Statistika);
        l->setGeometry(x, 48, qMax(50, titles[i]->width()), 18);
        l->setStyleSheet("color: blue;");
        l->setFont(fieldFont);
        values << l;
        x += titles[i]->width() + gap;
    }
    lblPrvaUra = values[0];
    lblDrugaUra = values[1];
    lblPovprecje = values[2];
    lblPrvaUra->setObjectName("lblPrvaUra");
    lblDrugaUra->setObjectName("lblDrugaUra");
    lblPovprecje->setObjectName("lblPovprecje");

    QWidget::setTabOrder(edDate, edUtc);
    QWidget::setTabOrder(edUtc, cbMode);
    QWidget::setTabOrder(cbMode, cbBand);
    QWidget::setTabOrder(cbBand, edRstS);
    QWidget::setTabOrder(edRstS, edMyMulti);
    QWidget::setTabOrder(edMyMulti, edCall);
    QWidget::setTabOrder(edCall, edHisMulti);
    QWidget::setTabOrder(edHisMulti, Button1);
    QWidget::setTabOrder(Button1, Button2);
    QWidget::setTabOrder(Button2, edRstR);

    connect(cbMode, &QComboBox::activated, this, [this](int i) {
        cbModeChange(i);
        ModeToRadio();  // the operator's choice, not a stored QSO's mode being shown
    });
    connect(cbBand, &QComboBox::activated, this, [this](int i) { cbBandChange(i); });
    connect(edCall, &QLineEdit::textChanged, this, [this](const QString& t) { edCallChange(t); });
    connect(edHisMulti, &QLineEdit::textChanged, this, [this](const QString& t) { edHisMultiChange(t); });
    connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Save(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { Guarded([this] { Clear(); }); });
    // Ctrl + left click puts a sizing frame around these.
    for (QLabel* l : Panel1->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) m_sizable << l;
    m_sizable << Statistika << edCall << edHisMulti << Button1 << Button2 << Panel3;
}

void TMainFrm::buildGrid()
{
    const QList<GridColumn> cols{
        {"Date", "Datum", -1, Qt::AlignLeft},         {"Utc", "Utc", -1, Qt::AlignLeft},
        {"Call", "Znak", -1, Qt::AlignLeft},          {"Mode", "Vrsta oddaje", 50, Qt::AlignHCenter},
        {"Band", "Band", 40, Qt::AlignHCenter},       {"RstS", "Oddan Rst", 50, Qt::AlignLeft},
        {"RstR", "Sprejet Rst", 50, Qt::AlignLeft},   {"MultiR", "Letnica", 50, Qt::AlignHCenter},
        {"MultiP", "Množ", 50, Qt::AlignHCenter, true}, {"Point", "Točke", -1, Qt::AlignHCenter, true},
    };
    LogGrid = new QTableView(this);
    LogGrid->setObjectName("LogGrid");
    LogModel = new TableModel(Data.LogTbl, cols);
    LogModel->setTextColor(QColor("navy"));
    LogModel->setTitleColor(QColor("purple"));
    LogGrid->setModel(LogModel);
    LogGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    LogGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    LogGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    LogGrid->verticalHeader()->setDefaultSectionSize(18);
    LogGrid->verticalHeader()->setFixedWidth(11);
    LogGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QFont gridFont("MS Sans Serif");
    gridFont.setPointSize(8);
    LogGrid->setFont(gridFont);
    QFont titleFont("MS Sans Serif");
    titleFont.setPointSize(10);
    LogGrid->horizontalHeader()->setFont(titleFont);
    // The design widths, but never narrower than a column's title in the font that stands
    // in; the columns of the default width take what their values need, so that every
    // column shows at the window's first-start width.
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics valueMetrics(gridFont);
    const QHash<QString, QString> widestValue{{"Date", "00.00.0000"}, {"Utc", "00:00:00"}, {"Call", "S59ABC/P"}};
    for (int i = 0; i < cols.size(); ++i) {
        const int title = titleMetrics.horizontalAdvance(cols[i].title) + 12;
        const int value = valueMetrics.horizontalAdvance(widestValue.value(cols[i].field)) + 12;
        LogGrid->setColumnWidth(i, qMax(cols[i].width > 0 ? cols[i].width : value, title));
    }
    QPalette p = LogGrid->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));
    LogGrid->setPalette(p);
    connect(LogModel, &TableModel::currentRowChanged, this, [this](int row) { followCurrentRow(row); });
    LogModel->setEditable(true);
    LogModel->setRowBuffered(true);
    LogModel->setErrorHandler([](const QString& text) { ReportLater(text); });
    // A row edited in the grid is scored like any other change to the log.
    LogModel->setRowWriter([this](qint64 vexa, const std::map<QString, QVariant>& fields) {
        std::map<QString, QVariant> row = fields;
        if (!vexa) {
            // A row added in the grid takes what the entry line would give the
            // fields left empty: the date, the time now, the mode, the band, the reports.
            const Contact line = EntryContact();
            const QString mode = row.count("Mode") ? row["Mode"].toString().trimmed().toUpper() : line.mode;
            const QString report = mode == "SSB" ? "59" : "599";
            const std::map<QString, QVariant> defaults{
                {"Date", line.date}, {"Utc", QTime::fromString(EntryTimeNow(), "H:mm:ss")}, {"Mode", line.mode}, {"Band", "80"},
                {"RstS", report},    {"RstR", report},                                     {"Contest", ContestName},
            };
            for (const auto& [name, value] : defaults)
                if (!row.count(name) || row[name].toString().trimmed().isEmpty()) row[name] = value;
        }
        const qint64 id = Session.WriteFields(vexa, row);
        ShowFigures();
        return id;
    });
    LogGrid->setItemDelegate(new LogGridDelegate(cols, LogGrid));
    LogGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    connect(LogGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& cur, const QModelIndex& prev) {
                // A changed row is written when it is left; the operator has moved
                // on, so the grid stays where he went, not on the row written.
                if (prev.isValid() && prev.row() != cur.row()) {
                    m_writingRow = true;
                    Guarded([&] { LogModel->CommitRow(prev.row()); });
                    m_writingRow = false;
                }
                if (!cur.isValid() || !Data.LogTbl.isOpen()) return;
                if (LogModel->HasNewRow() && cur.row() == LogModel->rowCount() - 1) return;
                const qint64 id = LogModel->recordIdAt(cur.row());
                if (id && id != Data.LogTbl.recordId() && Data.LogTbl.state() == Table::State::Browse)
                    Guarded([&] { Data.LogTbl.gotoRecordId(id); });
            });
}

void TMainFrm::followCurrentRow(int row)
{
    if (row < 0 || m_writingRow) return;
    const QModelIndex idx = LogModel->index(row, qMax(0, LogGrid->currentIndex().column()));
    if (LogGrid->currentIndex().row() != row) LogGrid->setCurrentIndex(idx);
    LogGrid->scrollTo(idx);
}

// ---------------------------------------------------------------- start and close

bool TMainFrm::event(QEvent* e)
{
    if (e->type() == QEvent::StatusTip) {
        // A long hint shows while the mouse is over its button; then the QSO count comes back.
        const QString tip = static_cast<QStatusTipEvent*>(e)->tip();
        if (tip.isEmpty()) Data.LogTbl.isOpen() ? ShowQsoCount() : statusBar()->clearMessage();
        else statusBar()->showMessage(tip);
        return true;
    }
    return QMainWindow::event(e);
}

void TMainFrm::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (m_shown) return;
    m_shown = true;
    RestoreSettings();
    FormShow();
    StartRadio();
}

void TMainFrm::FormShow()
{
    PlayGreeting(*WS, Dir.Wav);
    InstallHelp(this);
    cbMode->setCurrentIndex(0);
    cbBand->setCurrentIndex(0);
    BandText = "160";
    edMyMulti->setText(UserInfo.User.Multi);
    edDate->setDate(QDate::currentDate());
    edCall->setFocus();
    ShowInfo(1);
    DataFolder = Dir.Data;
    SetTitle(0);
    ResetScoreLabels();
    LogOpen = false;
    edUtc->clear();
    Enabler->DisableGroup("Db");
    Enabler->DisableGroup("FGrup");
    if (Keyer) {
        Keyer->SetSpeaker(false);
        ZvocnikBtn->setChecked(false);
    }
    ContestKind = 2;
    ShowRates(0, 0, 0);
    RefreshKeyerFields();
    SetHelpFile(Dir.Help + "Zox.hlp");
    if (m_clockRestored) Ura->KeepOnScreen();
    else PlaceAtFirstStart(this, Ura, m_placementRestored);
    Ura->show();
}

void TMainFrm::closeEvent(QCloseEvent* e)
{
    if (m_shown && !m_settingsSaved) SaveSettings();
    FormClose();
    e->accept();
}

void TMainFrm::FormClose()
{
    if (Session.IsOpen()) Guarded([this] { Session.Close(); });
    if (KeyerOn) KeyerDisable();
    StopRadio(1500);  // PTT released and CW stopped on the radio too
}

// ---------------------------------------------------------------- information line

void TMainFrm::ShowInfo(int state)
{
    if (state < 0 || state > 3) return;
    InfoLabel->setText(kInfoTexts[state]);
}

void TMainFrm::RefreshMarks(MarkSource source)
{
    const bool wasNew = NewMulti;
    const EntryMarks m = Session.Check(edCall->text(), cbMode->currentText(), edHisMulti->text());
    DupeMark = m.dupe;
    NewMulti = m.newMulti;
    // The line shows what the field just changed says.
    switch (source) {
    case MarkSource::Call:
        ShowInfo(DupeMark ? 2 : 0);
        break;
    case MarkSource::Year:
        if (edHisMulti->text().size() == 2) ShowInfo(NewMulti ? 3 : 0);
        else if (wasNew) ShowInfo(0);  // a shortened year number no longer carries the mark
        break;
    case MarkSource::Mode:
        ShowInfo(DupeMark ? 2 : NewMulti ? 3 : 0);
        break;
    }
}

// ---------------------------------------------------------------- scoring and rates

void TMainFrm::ShowScore()
{
    const ScoreTotals& s = Session.Totals();
    lblCwTocke->setText(QString::number(s.CwTocke));
    lblSsbTocke->setText(QString::number(s.SsbTocke));
    lblSkpTocke->setText(QString::number(s.SkpTocke));
    lblCwMulti->setText(QString::number(s.CwMulti));
    lblSsbMulti->setText(QString::number(s.SsbMulti));
    lblSkpMnoz->setText(QString::number(s.SkpMnoz));
    lblRezultat->setText(QString::number(s.Rezultat()));
}

void TMainFrm::ResetScoreLabels()
{
    for (QLabel* l : {lblCwTocke, lblCwMulti, lblSsbTocke, lblSsbMulti, lblSkpTocke, lblSkpMnoz, lblRezultat})
        l->setText("0");
}

void TMainFrm::ShowFigures()
{
    ShowScore();
    ShowQsoCount();
    const HourCounts& r = Session.Rates();
    ShowRates(r.Povprecje(), r.DrugaUra, r.PrvaUra);
}

void TMainFrm::SpeedItem9Click()
{
    Guarded([this] {
        if (!Session.IsOpen()) return;
        int corrected = 0;
        {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            struct Restore { ~Restore() { QApplication::restoreOverrideCursor(); } } restore;
            corrected = Session.Recheck();
        }
        ShowFigures();
        ShowMessageDlg(corrected == 0 ? QString("Rezultat je pravilen, popravkov ni.")
                                      : QString("Število popravljenih zvez: %1").arg(corrected),
                       mtInformation, mbOK);
    });
}

void TMainFrm::ShowRates(double average, double second, double first)
{
    lblPrvaUra->setText(RateText(first));
    lblDrugaUra->setText(RateText(second));
    lblPovprecje->setText(RateText(average));
}

// ---------------------------------------------------------------- log files

void TMainFrm::PrepareLogDialog() {}

void TMainFrm::ShowQsoCount()
{
    // Shown after a save or a delete that is done: a count that cannot be read
    // now must not turn it into a failure, so the last one stays.
    try {
        m_qsoCount = Session.QsoCount();
    } catch (...) {
    }
    statusBar()->showMessage(QString::number(m_qsoCount) + " " + " zvez !");
}

void TMainFrm::SetTitle(int kind)
{
    if (kind == 0) setWindowTitle(kTitle + ContestName);
    else if (kind == 1) setWindowTitle(kTitle + Session.LogPath());
}

QString TMainFrm::AskLogPath()
{
    PrepareLogDialog();
    const QString path = Dialogs().fileName(this, QString(), Dir.Data, "Zox datoteke (*.DAT)|*.DAT", false, false);
    if (!path.isEmpty()) LogDialogPath = path;
    return path;
}

void TMainFrm::EnableQsoMenu()
{
    QsoMenu->setEnabled(true);
    QsoMenu->menuAction()->setEnabled(true);
}

// Opens or creates a log. The switch ends a correction and clears the line and
// its marks; only a contact the old log refused to store stays in the line,
// its marks worked out again against the log that is open now.
void TMainFrm::SwitchLog(const QString& path, bool create, int kind)
{
    const QString previousContest = ContestName;
    const bool correcting = Session.Correcting();
    OpenOutcome outcome = OpenOutcome::NotALog;
    try {
        outcome = create ? Session.Create(path) : Session.Open(path);
    } catch (...) {
        ContestName = previousContest;  // the log that was open is open again, or none
        AfterLogSwitch(correcting);
        throw;
    }
    if (outcome == OpenOutcome::NotALog) {
        ShowMessageDlg(path + " ni ZOX datoteka !", mtWarning, mbOK);
        return;
    }
    if (outcome == OpenOutcome::Damaged) {
        ShowMessageDlg(path + " je poškodovana ZOX datoteka in ostane, kot je !", mtWarning, mbOK);
        return;
    }
    static const char* const words[] = {"", "Vexa", "ZOX", "Dlt"};
    ContestName = create ? QString(words[(kind >= 1 && kind <= 3) ? kind : 2]) + " " + "Contest" : QString("ZOX");
    AfterLogSwitch(correcting);
    EnableQsoMenu();
}

void TMainFrm::AfterLogSwitch(bool lineWasCorrection)
{
    // A switch starts the line afresh, but for a contact the old log could not
    // take: that one stays, for the log switched to.
    if (lineWasCorrection || !m_lineRefused) ClearEntry();
    if (Session.IsOpen()) {
        Enabler->EnableGroup("Db");
        ChooseBand();
        // The searches use the mode the contact will be saved with.
        ModeIndex = cbMode->currentIndex();
        ModeText = cbMode->currentText();
        SetTitle(1);
        ShowInfo(0);
        if (!edCall->text().isEmpty() || !edHisMulti->text().isEmpty()) RefreshMarks(MarkSource::Mode);
        ShowFigures();
    } else {
        ShowNoLog();
    }
}

void TMainFrm::ShowNoLog()
{
    Session.EndCorrection();
    Enabler->DisableGroup("Db");
    DupeMark = NewMulti = false;
    ShowInfo(1);
    ShowFigures();
}

void TMainFrm::OpenLog()
{
    Guarded([this] {
        const QString path = AskLogPath();
        if (!path.isEmpty()) SwitchLog(path, false, 0);
    });
}

void TMainFrm::NewLog(int kind)
{
    Guarded([this, kind] {
        const QString path = AskLogPath();
        if (!path.isEmpty()) SwitchLog(path, true, kind);
    });
}

// ---------------------------------------------------------------- entry line

bool TMainFrm::TimeFieldBlank() const
{
    QString t = edUtc->text();
    t.remove(':');
    return t.trimmed().isEmpty();
}

Contact TMainFrm::EntryContact() const
{
    // An empty time field stands for now; the field itself is left as it is, so
    // a refused contact keeps the line exactly as typed.
    const QString timeText = TimeFieldBlank() ? EntryTimeNow() : edUtc->text().trimmed();
    const bool typed = TimeFieldBlank() || edUtc->hasAcceptableInput();
    return Contact{edDate->date(),
                   typed ? QTime::fromString(timeText, "H:mm:ss") : QTime(),
                   edCall->text(),
                   cbMode->currentText(),
                   BandText,
                   edRstS->text(),
                   edRstR->text(),
                   edHisMulti->text(),
                   ContestName};
}

void TMainFrm::Save()
{
    if (!Session.IsOpen()) {
        ShowMessageDlg(LogDialogPath + " Odpri datoteko !", mtWarning, mbOK);
        return;
    }
    SaveOutcome outcome;
    try {
        outcome = Session.Save(EntryContact());
    } catch (...) {
        m_lineRefused = true;  // the log could not take it: the line keeps it, even across a log switch
        throw;
    }
    switch (outcome) {
    case SaveOutcome::NoLog:
    case SaveOutcome::NoCall:
    case SaveOutcome::NoYear:
        edCall->setFocus();
        return;
    case SaveOutcome::BadTime:
        ShowMessageDlg("Čas " + edUtc->displayText().trimmed() + " ni veljaven !", mtWarning, mbOK);
        edUtc->setFocus();
        return;
    case SaveOutcome::BadYear:
        ShowMessageDlg("Letnica " + edHisMulti->text() + " ni število !", mtWarning, mbOK);
        edHisMulti->setFocus();
        return;
    case SaveOutcome::Saved:
    case SaveOutcome::Corrected:
        break;
    }
    ClearEntry();
    if (outcome == SaveOutcome::Corrected) ModeFromRadioAgain();  // the stored QSO's mode gives way to the radio's
    ShowFigures();
}

void TMainFrm::ClearEntry()
{
    const bool corrected = Session.Correcting();
    edUtc->clear();
    m_settingCall = true;
    edCall->clear();
    m_settingCall = false;
    SetReports();
    edHisMulti->blockSignals(true);
    edHisMulti->clear();
    edHisMulti->blockSignals(false);
    edCall->setFocus();
    ShowInfo(0);
    DupeMark = false;
    NewMulti = false;
    Session.EndCorrection();
    m_lineRefused = false;
    ShowQsoCount();
    if (corrected) ModeFromRadioAgain();  // a correction given up: the same
}

void TMainFrm::Clear()
{
    if (StopSending()) {
        // ends a message being sent, and nothing more
    } else if (LogOpen) ClearEntry();
    else edCall->clear();
    if (!LogOpen) ShowMessageDlg(LogDialogPath + " Datoteka ni odprta !", mtWarning, mbOK);
}

void TMainFrm::SetReports()
{
    const QString r = ModeIndex == 0 ? "599" : "59";
    edRstS->setText(r);
    edRstR->setText(r);
}

void TMainFrm::ChooseBand()
{
    cbBand->setCurrentIndex(1);
    BandText = "80";
}

void TMainFrm::cbModeChange(int index)
{
    ModeIndex = index == 0 ? 0 : 1;
    ModeText = index == 0 ? "CW" : "SSB";
    SetReports();
    FollowModeWithPaddles();
    // The same call and year number may be a duplicate or a new multiplier in the other mode.
    if (Session.IsOpen() && !Session.Correcting()) Guarded([this] { RefreshMarks(MarkSource::Mode); });
}

void TMainFrm::cbBandChange(int) { ChooseBand(); }

void TMainFrm::edCallChange(const QString& text)
{
    if (m_settingCall || !Session.IsOpen() || Session.Correcting()) return;
    const int blank = text.indexOf(' ');
    if (blank >= 0) {
        m_settingCall = true;
        edCall->setText(text.left(blank));
        m_settingCall = false;
    }
    Guarded([this] { RefreshMarks(MarkSource::Call); });
}

void TMainFrm::edHisMultiChange(const QString&)
{
    if (!Session.IsOpen() || Session.Correcting()) return;
    Guarded([this] { RefreshMarks(MarkSource::Year); });
}

void TMainFrm::EnterHisMulti()
{
    // A contact being corrected keeps the year number it was stored with.
    if (Session.Correcting()) return;
    // Back in the field for the same call: what is there (the operator's
    // correction of the list's year, say) stays.
    const bool sameCall = edCall->text() == m_yearLookedUpFor && !edHisMulti->text().isEmpty();
    if (!sameCall) {
        edHisMulti->clear();
        if (Session.IsOpen() && !edCall->text().isEmpty())
            Guarded([this] { edHisMulti->setText(Session.LookupYear(edCall->text())); });
        m_yearLookedUpFor = edCall->text();
    }
    edHisMulti->setCursorPosition(edHisMulti->text().size());
    edHisMulti->deselect();
}

void TMainFrm::RestoreClockProperties(const IniFile& ini)
{
    const QString S = "TMainFrm";
    m_clockRestored = ini.ValueExists(S, "Ura_Left") || ini.ValueExists(S, "Ura_Top");
    if (m_clockRestored)
        Ura->move(ini.ReadInteger(S, "Ura_Left", Ura->left()), ini.ReadInteger(S, "Ura_Top", Ura->top()));
    if (ini.ValueExists(S, "Ura_Height")) Ura->setHeight(ini.ReadInteger(S, "Ura_Height", Ura->height()));
    if (ini.ValueExists(S, "Ura_Width")) Ura->setWidth(ini.ReadInteger(S, "Ura_Width", Ura->width()));
    QFont f = Ura->HamUra->font();
    QColor c = Ura->HamUra->fontColor();
    ReadFont(ini, S, "HamUra_Font", f, &c);
    Ura->HamUra->setFont(f);
    Ura->HamUra->setFontColor(c);
}

void TMainFrm::SaveClockProperties(IniFile& ini)
{
    const QString S = "TMainFrm";
    ini.WriteInteger(S, "Ura_Left", Ura->left());
    ini.WriteInteger(S, "Ura_Top", Ura->top());
    WriteFont(ini, S, "HamUra_Font", Ura->HamUra->font(), Ura->HamUra->fontColor());
    ini.WriteInteger(S, "Ura_Height", Ura->height());
    ini.WriteInteger(S, "Ura_Width", Ura->width());
}

bool TMainFrm::GridEvent(QEvent* e)
{
    const int row = LogGrid->currentIndex().row();
    if (e->type() == QEvent::FocusOut) {
        // Leaving the grid (not for its own cell editor) writes the row or drops an unchanged new one.
        QWidget* to = QApplication::focusWidget();
        if (row >= 0 && !(to && LogGrid->isAncestorOf(to))) Guarded([&] { LogModel->CommitRow(row); });
        return false;
    }
    auto* k = static_cast<QKeyEvent*>(e);
    if (!Data.LogTbl.isOpen()) return false;
    const bool lastRow = row == LogModel->rowCount() - 1;
    if ((k->key() == Qt::Key_Insert && k->modifiers() == Qt::NoModifier) ||
        (k->key() == Qt::Key_Down && k->modifiers() == Qt::NoModifier && lastRow && !LogModel->HasNewRow())) {
        LogModel->StartNewRow();
        LogGrid->setCurrentIndex(LogModel->index(LogModel->rowCount() - 1, qMax(0, LogGrid->currentIndex().column())));
        return true;
    }
    if (k->key() == Qt::Key_Delete && k->modifiers() == Qt::ControlModifier) {
        Guarded([&] {
            if (LogModel->HasNewRow() && lastRow) {
                LogModel->reload();
                return;
            }
            if (!Data.LogTbl.hasRecord()) return;
            const qint64 vexa = Data.LogTbl.recordId();
            if (ShowMessageDlg("Delete record?", mtConfirmation, mbOK | mbCancel) != mrOk) return;
            RemoveQso(vexa);
        });
        return true;
    }
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {  // keys reach the view itself only outside its cell editor
        // Enter moves on like Tab inside the grid.
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(LogGrid, &tab);
        return true;
    }
    return false;
}

void TMainFrm::SyncKeyerGroup()
{
    if (KeyerOn) Enabler->EnableGroup("FGrup");
    else Enabler->DisableGroup("FGrup");
}

QAction* TMainFrm::TasterShortcut(const QKeyEvent* k) const
{
    const QKeySequence pressed(k->keyCombination());
    QList<QAction*> items = SendMemory + EditMemory;
    items << Povecaj << Zmanjsaj;
    for (QAction* a : items)
        if (a->shortcut() == pressed) return a;
    return nullptr;
}

bool TMainFrm::eventFilter(QObject* obj, QEvent* e)
{
    // Called from inside Qt's event delivery: nothing may be thrown through it.
    try {
        return filterEvent(obj, e);
    } catch (...) {
        ReportLater(ErrorText(std::current_exception()));
        return false;
    }
}

bool TMainFrm::filterEvent(QObject* obj, QEvent* e)
{
    if (obj == edHisMulti && e->type() == QEvent::FocusIn) {
        // Only the operator moving into the field looks the call up: not the window
        // coming back, a popup or a dialog closing, nor the program putting the focus back.
        switch (static_cast<QFocusEvent*>(e)->reason()) {
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::MouseFocusReason:
        case Qt::ShortcutFocusReason:
            EnterHisMulti();
            break;
        default:
            break;
        }
        return false;
    }
    if (obj == edCall && e->type() == QEvent::FocusOut && Keyer) Keyer->SetPisem(false);
    if (obj == edCall && e->type() == QEvent::FocusIn) {
        if (Keyer) Keyer->SetPisem(AvtoEdit->isChecked());
        QMetaObject::invokeMethod(edCall, [this] { edCall->deselect(); edCall->end(false); }, Qt::QueuedConnection);
        return false;
    }
    if (e->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(e);
        auto* target = qobject_cast<QWidget*>(obj);
        // Children of the result panel and the statistics group size their parent.
        while (target && !m_sizable.contains(target) && target != Panel1) target = target->parentWidget();
        if (target && m_sizable.contains(target) && me->button() == Qt::LeftButton &&
            me->modifiers() == Qt::ControlModifier) {
            new TSizingFrame(target);
            return true;
        }
    }
    if (obj == edUtc && e->type() == QEvent::MouseButtonDblClick) {
        edUtc->setText(EntryTimeNow());
        return true;
    }
    if (obj == LogGrid && (e->type() == QEvent::KeyPress || e->type() == QEvent::FocusOut)) {
        if (GridEvent(e)) return true;
    }
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::ShortcutOverride) return false;
    auto* w = qobject_cast<QWidget*>(obj);
    if (!w || w->window() != this) return false;
    auto* k = static_cast<QKeyEvent*>(e);
    if (QAction* a = TasterShortcut(k)) {
        // A key of the keyer menu first brings the memory keys in step with the
        // keyer, as opening the menu would, and then runs its item if enabled.
        if (e->type() == QEvent::ShortcutOverride) {
            e->accept();
            return true;
        }
        SyncKeyerGroup();
        if (a->isEnabled()) a->trigger();
        return true;
    }
    if (e->type() != QEvent::KeyPress) return false;
    const bool inPanel = Panel1->isAncestorOf(w);
    if (k->modifiers() & ~Qt::KeypadModifier) return false;
    if (inPanel && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
        if (auto* cb = qobject_cast<QComboBox*>(w); cb && cb->view()->isVisible()) return false;
        // Enter presses the focused button; elsewhere it is Save.
        auto* button = qobject_cast<QAbstractButton*>(w);
        (button ? button : Button1)->click();
        return true;
    }
    if (inPanel && k->key() == Qt::Key_Escape) {
        Button2->click();
        return true;
    }
    if (k->key() == Qt::Key_Space && (inPanel || w == LogGrid)) {
        QWidget* f = QApplication::focusWidget();
        if (f == edCall) edHisMulti->setFocus(Qt::TabFocusReason);
        else if (f == edHisMulti) edCall->setFocus(Qt::TabFocusReason);
        else focusPreviousChild();
        return true;
    }
    return false;
}

}  // namespace zox
