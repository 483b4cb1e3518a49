#include "ui/CwKeyerSetup.h"

#include "app/uGlob.h"
#include "keyer/CwKeyer.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace zox {

// ---- TNumberField ----

TNumberField::TNumberField(QWidget* parent) : QSpinBox(parent) {}

int TNumberField::ReadValue(const QString& text, int minimum, int maximum)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return std::clamp(ok ? value : minimum, minimum, maximum);
}

int TNumberField::ReadValue() const { return ReadValue(lineEdit()->text(), minimum(), maximum()); }

QValidator::State TNumberField::validate(QString& input, int& /*pos*/) const
{
    // Digits only, so the text always reads as a number (or as the minimum
    // while it is empty); nine digits cannot overflow.
    static const QRegularExpression digits(QStringLiteral("^-?[0-9]{0,9}$"));
    if (!digits.match(input).hasMatch()) return QValidator::Invalid;
    bool ok = false;
    const int value = input.toInt(&ok);
    return ok && value >= minimum() && value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

void TNumberField::fixup(QString& input) const
{
    input = QString::number(ReadValue(input, minimum(), maximum()));
}

// ---- help hooks ----

TKeyerSetupHelp& KeyerSetupHelp()
{
    static TKeyerSetupHelp help;
    return help;
}

std::function<QList<TSerialPortInfo>()>& KeyerSetupSerialPorts()
{
    static std::function<QList<TSerialPortInfo>()> ports = [] { return ListSerialPorts(); };
    return ports;
}

namespace {

void SetHelpFile(const QString& name)
{
    if (const auto& set = KeyerSetupHelp().SetHelpFile) set(Dir.Help + name);
}

TNumberField* NumberField(QWidget* parent, const char* name, int minimum, int maximum, int value)
{
    auto* field = new TNumberField(parent);
    field->setObjectName(QLatin1String(name));
    field->setRange(minimum, maximum);
    field->setValue(value);
    return field;
}

// Choices side by side, numbered from 0.
QGroupBox* ChoiceGroup(QWidget* parent, const char* name, const QString& title, const QStringList& captions,
                       QButtonGroup*& group)
{
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QLatin1String(name));
    group = new QButtonGroup(box);
    auto* row = new QHBoxLayout(box);
    for (int i = 0; i < captions.size(); ++i) {
        auto* choice = new QRadioButton(captions[i], box);
        group->addButton(choice, i);
        row->addWidget(choice);
    }
    group->button(0)->setChecked(true);
    return box;
}

QComboBox* Choices(QWidget* parent, const char* name, const QStringList& items)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->addItems(items);
    return combo;
}

// Letters typed or set become capitals, as the memories are keyed.
QLineEdit* UpperCaseField(QWidget* parent, const QString& name)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    QObject::connect(field, &QLineEdit::textChanged, field, [field](const QString& text) {
        const QString upper = text.toUpper();
        if (upper == text) return;
        const int cursor = field->cursorPosition();
        field->setText(upper);
        field->setCursorPosition(std::min<int>(cursor, upper.size()));
    });
    return field;
}

}  // namespace

// ---- TSetupFrm ----

TSetupFrm::TSetupFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SetupFrm"));
    setWindowTitle(QStringLiteral("SetupFrm"));
    setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) & ~Qt::WindowContextHelpButtonHint);

    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));

    // Page "Keyer"
    auto* keyerPage = new QWidget;
    keyerPage->setObjectName(QStringLiteral("KeyerPage"));
    edTon = NumberField(keyerPage, "edTon", TCwKeyer::kMinTone, TCwKeyer::kMaxTone, 600);
    cbSpeaker = new QCheckBox(QStringLiteral("Speaker"), keyerPage);
    cbSpeaker->setObjectName(QStringLiteral("cbSpeaker"));
    edSpeed = NumberField(keyerPage, "edSpeed", TCwKeyer::kMinSpeed, TCwKeyer::kMaxSpeed, 120);
    edHiSpeed = NumberField(keyerPage, "edHiSpeed", TCwKeyer::kMinSpeed, TCwKeyer::kMaxSpeed, 150);
    edHiSpeed1 = NumberField(keyerPage, "edHiSpeed1", TCwKeyer::kMinSpeed, TCwKeyer::kMaxSpeed, 170);

    auto* keyerGrid = new QGridLayout;
    int row = 0;
    auto addRow = [&](const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, keyerPage);
        label->setBuddy(field);
        keyerGrid->addWidget(label, row, 0);
        keyerGrid->addWidget(field, row, 1);
        ++row;
    };
    addRow(QStringLiteral("&Tone"), edTon);
    keyerGrid->addWidget(cbSpeaker, row++, 1);
    addRow(QStringLiteral("Normal speed"), edSpeed);
    addRow(QStringLiteral("Faster speed"), edHiSpeed);
    addRow(QStringLiteral("Fastest speed"), edHiSpeed1);

    rgLpt = new QGroupBox(QStringLiteral("LPT port"), keyerPage);
    rgLpt->setObjectName(QStringLiteral("rgLpt"));
    m_lptGroup = new QButtonGroup(rgLpt);
    auto* lptColumns = new QGridLayout(rgLpt);
    for (int i = 0; i < int(kLptPorts.size()); ++i) {
        const QString caption = QLatin1Char('$') + QString::number(kLptPorts[std::size_t(i)], 16).toUpper();
        auto* choice = new QRadioButton(caption, rgLpt);
        m_lptGroup->addButton(choice, i);
        lptColumns->addWidget(choice, 0, i);
    }
    m_lptGroup->button(0)->setChecked(true);

    auto* keyerLayout = new QVBoxLayout(keyerPage);
    keyerLayout->addLayout(keyerGrid);
    keyerLayout->addWidget(rgLpt);
    keyerLayout->addStretch();
    Pages->addTab(keyerPage, QStringLiteral("Keyer"));

    // Page "Memories": F2 F3 F4 / F5 F6 F7 / F8 F9
    auto* memoryPage = new QWidget;
    memoryPage->setObjectName(QStringLiteral("MemoriesPage"));
    auto* memoryGrid = new QGridLayout(memoryPage);
    for (int slot = 1; slot <= 8; ++slot) {
        const QString key = QStringLiteral("F") + QString::number(slot + 1);
        QLineEdit* field = UpperCaseField(memoryPage, QStringLiteral("ed") + key);
        auto* label = new QLabel(key, memoryPage);
        label->setBuddy(field);
        const int r = (slot - 1) / 3;
        const int c = (slot - 1) % 3;
        memoryGrid->addWidget(label, r, 2 * c);
        memoryGrid->addWidget(field, r, 2 * c + 1);
        m_memoryFields[std::size_t(slot - 1)] = field;
    }
    memoryGrid->setRowStretch(3, 1);
    edF2 = m_memoryFields[0];
    edF3 = m_memoryFields[1];
    edF4 = m_memoryFields[2];
    edF5 = m_memoryFields[3];
    edF6 = m_memoryFields[4];
    edF7 = m_memoryFields[5];
    edF8 = m_memoryFields[6];
    edF9 = m_memoryFields[7];
    Pages->addTab(memoryPage, QStringLiteral("Memories"));

    // Page "Izhodi": where the keyer keys, PTT and the sidetone.
    auto* outputPage = new QWidget;
    outputPage->setObjectName(QStringLiteral("OutputsPage"));
    rgOutput = ChoiceGroup(outputPage, "rgOutput", QStringLiteral("Tipkanje oddajnika"),
                           {QStringLiteral("Paralelna vrata"), QStringLiteral("Serijska vrata"), QStringLiteral("Radio"),
                            QStringLiteral("Brez")},
                           m_outputGroup);
    cbSerialPort = new QComboBox(outputPage);
    cbSerialPort->setObjectName(QStringLiteral("cbSerialPort"));
    cbSerialPort->setEditable(true);  // a port the list does not know can be typed in
    for (const TSerialPortInfo& port : KeyerSetupSerialPorts()()) {
        cbSerialPort->addItem(port.Path);
        if (port.Path != port.Device)
            cbSerialPort->setItemData(cbSerialPort->count() - 1, port.Device, Qt::ToolTipRole);
    }
    cbSerialPort->setMinimumContentsLength(24);
    cbSerialPort->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbKeyLine = Choices(outputPage, "cbKeyLine", {QStringLiteral("DTR"), QStringLiteral("RTS")});
    cbPttLine = Choices(outputPage, "cbPttLine",
                        {QStringLiteral("brez"), QStringLiteral("DTR"), QStringLiteral("RTS"), QStringLiteral("CAT")});
    cbPttLine->setItemData(3, QStringLiteral("PTT z ukazom radiu, prek povezave na strani Radio"), Qt::ToolTipRole);
    cbPttCw = new QCheckBox(QStringLiteral("PTT tudi pri CW"), outputPage);
    cbPttCw->setObjectName(QStringLiteral("cbPttCw"));
    edPttLead = NumberField(outputPage, "edPttLead", 0, 2000, 30);
    edPttTail = NumberField(outputPage, "edPttTail", 0, 2000, 100);
    rgSidetone = ChoiceGroup(outputPage, "rgSidetone", QStringLiteral("Kontrolni ton"),
                             {QStringLiteral("PC zvočnik"), QStringLiteral("Zvočna kartica"), QStringLiteral("Brez")},
                             m_sidetoneGroup);
    lblRealTime = new QLabel(outputPage);
    lblRealTime->setObjectName(QStringLiteral("lblRealTime"));
    lblRealTime->setWordWrap(true);

    auto* serialForm = new QFormLayout;
    auto addField = [&](const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, outputPage);
        label->setBuddy(field);
        serialForm->addRow(label, field);
    };
    addField(QStringLiteral("Serijska vrata"), cbSerialPort);
    addField(QStringLiteral("Tipka na liniji"), cbKeyLine);
    addField(QStringLiteral("PTT na liniji"), cbPttLine);
    serialForm->addRow(QString(), cbPttCw);
    addField(QStringLiteral("PTT pred oddajo (ms)"), edPttLead);
    addField(QStringLiteral("PTT po oddaji (ms)"), edPttTail);
    auto* outputLayout = new QVBoxLayout(outputPage);
    outputLayout->addWidget(rgOutput);
    outputLayout->addLayout(serialForm);
    outputLayout->addWidget(rgSidetone);
    outputLayout->addWidget(lblRealTime);
    outputLayout->addStretch();
    Pages->addTab(outputPage, QStringLiteral("Izhodi"));
    connect(m_outputGroup, &QButtonGroup::idClicked, this, [this] { UpdateOutputControls(); });
    connect(cbPttLine, &QComboBox::currentIndexChanged, this, [this] { UpdateOutputControls(); });
    connect(cbKeyLine, &QComboBox::currentIndexChanged, this, [this] { UpdateOutputControls(); });
    UpdateOutputControls();

    // Page "Radio": how the radio is reached, for its mode, PTT and keyer.
    auto* radioPage = new QWidget;
    radioPage->setObjectName(QStringLiteral("RadioPage"));
    cbRadioLink = Choices(radioPage, "cbRadioLink", {QStringLiteral("brez"), QStringLiteral("Hamlib"), QStringLiteral("rigctld")});
    edRadioModel = NumberField(radioPage, "edRadioModel", 0, 999999, 0);
    edRadioModel->setToolTip(QStringLiteral("Številka modela iz seznama rigctl -l"));
    cbRadioDevice = new QComboBox(radioPage);
    cbRadioDevice->setObjectName(QStringLiteral("cbRadioDevice"));
    cbRadioDevice->setEditable(true);
    for (const TSerialPortInfo& port : KeyerSetupSerialPorts()()) cbRadioDevice->addItem(port.Path);
    cbRadioDevice->setMinimumContentsLength(24);
    cbRadioDevice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbRadioBaud = Choices(radioPage, "cbRadioBaud",
                          {QStringLiteral("privzeta"), QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("19200"),
                           QStringLiteral("38400"), QStringLiteral("57600"), QStringLiteral("115200")});
    cbRadioBaud->setEditable(true);
    cbRadioBaud->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("privzeta|[0-9]{0,7}")), cbRadioBaud));
    edRadioHost = new QLineEdit(radioPage);
    edRadioHost->setObjectName(QStringLiteral("edRadioHost"));
    edRadioPort = NumberField(radioPage, "edRadioPort", 1, 65535, 4532);
    auto* radioForm = new QFormLayout(radioPage);
    auto addRadioField = [&](const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, radioPage);
        label->setBuddy(field);
        radioForm->addRow(label, field);
    };
    addRadioField(QStringLiteral("Povezava"), cbRadioLink);
    addRadioField(QStringLiteral("Model (rigctl -l)"), edRadioModel);
    addRadioField(QStringLiteral("Serijska vrata"), cbRadioDevice);
    addRadioField(QStringLiteral("Hitrost (baud)"), cbRadioBaud);
    addRadioField(QStringLiteral("Strežnik rigctld"), edRadioHost);
    addRadioField(QStringLiteral("Vrata rigctld"), edRadioPort);
    Pages->addTab(radioPage, QStringLiteral("Radio"));
    connect(cbRadioLink, &QComboBox::currentIndexChanged, this, [this] { UpdateRadioControls(); });
    LoadRadio(RadioSettings{});

    // Buttons
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    HelpBtn = new QPushButton(QStringLiteral("&Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    HelpBtn->setAutoDefault(false);
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);  // Escape rejects too
    connect(HelpBtn, &QPushButton::clicked, this, [] {
        if (const auto& show = KeyerSetupHelp().ShowContents) show();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Pages);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    SetHelpFile(QStringLiteral("Keyer.hlp"));
}

TSetupFrm::~TSetupFrm() { SetHelpFile(QStringLiteral("Zox.hlp")); }

int TSetupFrm::LptIndex() const { return m_lptGroup->checkedId(); }

void TSetupFrm::SetLptIndex(int index)
{
    if (QAbstractButton* choice = m_lptGroup->button(index)) {
        choice->setChecked(true);
        return;
    }
    // A port that is none of the three: no choice, and the keyer keeps its port.
    m_lptGroup->setExclusive(false);
    for (QAbstractButton* b : m_lptGroup->buttons()) b->setChecked(false);
    m_lptGroup->setExclusive(true);
}

QLineEdit* TSetupFrm::MemoryField(int slot) const
{
    return slot >= 1 && slot <= 8 ? m_memoryFields[std::size_t(slot - 1)] : nullptr;
}

void TSetupFrm::LoadFrom(const TCwKeyer& keyer)
{
    edTon->setValue(keyer.Tone());
    cbSpeaker->setChecked(keyer.Speaker());
    edSpeed->setValue(keyer.NormalSpeed());  // not that of a section being sent
    edHiSpeed->setValue(keyer.HiSpeed());
    edHiSpeed1->setValue(keyer.HiSpeed1());
    const auto port = std::find(kLptPorts.begin(), kLptPorts.end(), keyer.LptPort());
    SetLptIndex(port == kLptPorts.end() ? -1 : int(port - kLptPorts.begin()));
    for (int slot = 1; slot <= 8; ++slot) MemoryField(slot)->setText(keyer.Memory()[slot]);
}

void TSetupFrm::SaveTo(TCwKeyer& keyer) const
{
    keyer.SetTone(edTon->ReadValue());
    keyer.SetSpeaker(cbSpeaker->isChecked());
    keyer.SetNormalSpeed(edSpeed->ReadValue());
    keyer.SetHiSpeed(edHiSpeed->ReadValue());
    keyer.SetHiSpeed1(edHiSpeed1->ReadValue());
    const int lpt = LptIndex();
    if (lpt >= 0) keyer.SetLptPort(kLptPorts[std::size_t(lpt)]);
    for (int slot = 1; slot <= 8; ++slot) keyer.Memory()[slot] = MemoryField(slot)->text().toUpper();
}

int TSetupFrm::OutputIndex() const { return m_outputGroup->checkedId(); }

int TSetupFrm::SidetoneIndex() const { return m_sidetoneGroup->checkedId(); }

QString TSetupFrm::SerialPort() const { return cbSerialPort->currentText().trimmed(); }

void TSetupFrm::UpdateOutputControls()
{
    // Only what the chosen output uses can be set.
    const bool serialKey = OutputIndex() == 1;
    cbKeyLine->setEnabled(serialKey);
    // One line cannot key and give PTT: the key line is not offered for PTT.
    if (auto* items = qobject_cast<QStandardItemModel*>(cbPttLine->model())) {
        const int keyLine = cbKeyLine->currentIndex() + 1;  // 1 DTR, 2 RTS, as in cbPttLine
        for (int i = 1; i <= 2; ++i) items->item(i)->setEnabled(!serialKey || i != keyLine);
        if (serialKey && cbPttLine->currentIndex() == keyLine) cbPttLine->setCurrentIndex(0);
    }
    const bool ptt = cbPttLine->currentIndex() > 0;
    const bool serialPtt = ptt && cbPttLine->currentIndex() < 3;  // 3: CAT
    cbSerialPort->setEnabled(serialKey || serialPtt);
    cbPttCw->setEnabled(ptt);
    edPttLead->setEnabled(ptt);
    edPttTail->setEnabled(ptt);
}

void TSetupFrm::LoadKeying(const TKeyingSettings& s, bool realTime)
{
    using O = TKeyingSettings::TOutput;
    using T = TKeyingSettings::TSidetone;
    m_outputGroup->button(s.Output == O::Lpt ? 0 : s.Output == O::Serial ? 1 : s.Output == O::Radio ? 2 : 3)->setChecked(true);
    const int known = cbSerialPort->findText(s.SerialPort);
    if (known >= 0) cbSerialPort->setCurrentIndex(known);
    else cbSerialPort->setEditText(s.SerialPort);
    cbKeyLine->setCurrentIndex(s.KeyLine == TSerialLine::Dtr ? 0 : 1);
    cbPttLine->setCurrentIndex(s.PttLine ? (*s.PttLine == TSerialLine::Dtr ? 1 : 2) : s.PttCat ? 3 : 0);
    cbPttCw->setChecked(s.Ptt.ForCw);
    edPttLead->setValue(s.Ptt.LeadMs);
    edPttTail->setValue(s.Ptt.TailMs);
    m_sidetoneGroup->button(s.Sidetone == T::Speaker ? 0 : s.Sidetone == T::SoundCard ? 1 : 2)->setChecked(true);
    lblRealTime->setText(realTime ? QStringLiteral("Sprotno razporejanje (SCHED_FIFO): vklopljeno.")
                                  : QStringLiteral("Sprotno razporejanje (SCHED_FIFO) ni dovoljeno: taster teče "
                                                   "kot navadna nit. Dovoli ga omejitev rtprio ali CAP_SYS_NICE."));
    UpdateOutputControls();
}

void TSetupFrm::SaveKeying(TKeyingSettings& s) const
{
    using O = TKeyingSettings::TOutput;
    using T = TKeyingSettings::TSidetone;
    const int output = OutputIndex();
    s.Output = output == 1 ? O::Serial : output == 2 ? O::Radio : output == 3 ? O::None : O::Lpt;
    s.SerialPort = SerialPort();
    s.KeyLine = cbKeyLine->currentIndex() == 1 ? TSerialLine::Rts : TSerialLine::Dtr;
    const int ptt = cbPttLine->currentIndex();
    s.PttLine = ptt == 1 ? std::optional(TSerialLine::Dtr) : ptt == 2 ? std::optional(TSerialLine::Rts) : std::nullopt;
    s.PttCat = ptt == 3;
    // One line cannot key and give PTT.
    if (s.Output == O::Serial && s.PttLine == s.KeyLine) s.PttLine.reset();
    s.Ptt.ForCw = cbPttCw->isChecked();
    s.Ptt.LeadMs = edPttLead->ReadValue();
    s.Ptt.TailMs = edPttTail->ReadValue();
    const int tone = SidetoneIndex();
    s.Sidetone = tone == 1 ? T::SoundCard : tone == 2 ? T::None : T::Speaker;
    s.Loaded = true;  // set by the operator: the settings file gets them
}

void TSetupFrm::UpdateRadioControls()
{
    // Only what the chosen link uses can be set.
    const int link = cbRadioLink->currentIndex();
    edRadioModel->setEnabled(link == 1);
    cbRadioDevice->setEnabled(link == 1);
    cbRadioBaud->setEnabled(link == 1);
    edRadioHost->setEnabled(link == 2);
    edRadioPort->setEnabled(link == 2);
}

void TSetupFrm::LoadRadio(const RadioSettings& s)
{
    cbRadioLink->setCurrentIndex(s.link == RadioLinkKind::Hamlib ? 1 : s.link == RadioLinkKind::Rigctld ? 2 : 0);
    edRadioModel->setValue(s.model);
    const int known = cbRadioDevice->findText(s.device);
    if (known >= 0) cbRadioDevice->setCurrentIndex(known);
    else cbRadioDevice->setEditText(s.device);
    if (s.baud > 0) cbRadioBaud->setEditText(QString::number(s.baud));
    else cbRadioBaud->setCurrentIndex(0);
    edRadioHost->setText(s.host);
    edRadioPort->setValue(std::clamp(s.port, 1, 65535));
    UpdateRadioControls();
}

void TSetupFrm::SaveRadio(RadioSettings& s) const
{
    const int link = cbRadioLink->currentIndex();
    s.link = link == 1 ? RadioLinkKind::Hamlib : link == 2 ? RadioLinkKind::Rigctld : RadioLinkKind::None;
    s.model = edRadioModel->ReadValue();
    s.device = cbRadioDevice->currentText().trimmed();
    s.baud = std::max(0, cbRadioBaud->currentText().trimmed().toInt());  // "privzeta": the rig's own
    const QString host = edRadioHost->text().trimmed();
    s.host = host.isEmpty() ? RadioSettings{}.host : host;
    s.port = edRadioPort->ReadValue();
}

void TSetupFrm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_centred) return;
    m_centred = true;
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

// ---- ShowSetup ----

bool ShowSetup(TCwKeyer& keyer, QWidget* parent)
{
    return ShowSetup(keyer, nullptr, parent);
}

bool ShowSetup(TCwKeyer& keyer, TKeyingSettings* keying, QWidget* parent)
{
    return ShowSetup(keyer, keying, nullptr, parent);
}

bool ShowSetup(TCwKeyer& keyer, TKeyingSettings* keying, RadioSettings* radio, QWidget* parent)
{
    const QPointer<TCwKeyer> alive(&keyer);
    QPointer<TSetupFrm> dlg = new TSetupFrm(parent);
    dlg->LoadFrom(keyer);
    dlg->LoadKeying(keying ? *keying : TKeyingSettings{}, keyer.RealTime());
    dlg->LoadRadio(radio ? *radio : RadioSettings{});
    const int result = dlg->exec();
    // Only "OK" takes the values over; the keyer may have gone meanwhile.
    const bool take = dlg && alive && result == QDialog::Accepted;
    if (take) {
        dlg->SaveTo(keyer);
        if (keying) dlg->SaveKeying(*keying);
        if (radio) dlg->SaveRadio(*radio);
    }
    delete dlg.data();
    return take;
}

}  // namespace zox
