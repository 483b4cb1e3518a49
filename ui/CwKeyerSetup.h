#pragma once
// The keyer settings dialog: tone, speaker, the three speeds, the parallel
// port, the eight memories, the outputs (where the keyer keys, PTT, the
// sidetone) and the link to the radio. ShowSetup fills it from the keyer and takes the values back only
// when the operator confirms with "OK".

#include "keyer/KeyingSettings.h"
#include "keyer/SerialKeyOutput.h"
#include "rig/RadioSettings.h"

#include <QDialog>
#include <QSpinBox>
#include <QString>

#include <array>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace zox {

class TCwKeyer;

// A number field whose text reads as an integer held within the field's range;
// text that is not an integer (an emptied field) reads as the minimum. Digits
// beyond the maximum may be typed; leaving the field shows the value it reads as.
class TNumberField : public QSpinBox {
    Q_OBJECT
public:
    explicit TNumberField(QWidget* parent = nullptr);
    // The value the current text stands for.
    int ReadValue() const;
    static int ReadValue(const QString& text, int minimum, int maximum);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
};

// How the dialog reaches the program's help. The main window sets these;
// unset, the dialog shows no help.
struct TKeyerSetupHelp {
    // Makes the file the program's current help file.
    std::function<void(const QString& helpFile)> SetHelpFile;
    // Shows the contents of the current help file ("&Help").
    std::function<void()> ShowContents;
};
TKeyerSetupHelp& KeyerSetupHelp();

// The serial ports the dialog offers (the system's, unless a test sets others).
std::function<QList<TSerialPortInfo>()>& KeyerSetupSerialPorts();

class TSetupFrm : public QDialog {
    Q_OBJECT
public:
    // While the dialog exists the keyer's help ("Keyer.hlp" in the Help folder)
    // is the program's help file; the program's own ("Zox.hlp") afterwards.
    explicit TSetupFrm(QWidget* parent = nullptr);
    ~TSetupFrm() override;

    void LoadFrom(const TCwKeyer& keyer);
    void SaveTo(TCwKeyer& keyer) const;
    // The page "Izhodi"; realTime: whether the keying thread has real-time scheduling.
    void LoadKeying(const TKeyingSettings& settings, bool realTime);
    void SaveKeying(TKeyingSettings& settings) const;
    // The page "Radio".
    void LoadRadio(const RadioSettings& settings);
    void SaveRadio(RadioSettings& settings) const;

    // Page "Keyer"
    TNumberField* edTon = nullptr;
    QCheckBox* cbSpeaker = nullptr;
    TNumberField* edSpeed = nullptr;
    TNumberField* edHiSpeed = nullptr;
    TNumberField* edHiSpeed1 = nullptr;
    QGroupBox* rgLpt = nullptr;  // "$378", "$278", "$3BC"
    // Page "Memories": edF2 .. edF9 hold memory slots 1..8.
    QLineEdit* edF2 = nullptr;
    QLineEdit* edF3 = nullptr;
    QLineEdit* edF4 = nullptr;
    QLineEdit* edF5 = nullptr;
    QLineEdit* edF6 = nullptr;
    QLineEdit* edF7 = nullptr;
    QLineEdit* edF8 = nullptr;
    QLineEdit* edF9 = nullptr;
    // Page "Izhodi"
    QGroupBox* rgOutput = nullptr;  // "Paralelna vrata", "Serijska vrata", "Radio", "Brez"
    QComboBox* cbSerialPort = nullptr;
    QComboBox* cbKeyLine = nullptr;  // "DTR", "RTS"
    QComboBox* cbPttLine = nullptr;  // "brez", "DTR", "RTS", "CAT"
    QCheckBox* cbPttCw = nullptr;
    TNumberField* edPttLead = nullptr;
    TNumberField* edPttTail = nullptr;
    QGroupBox* rgSidetone = nullptr;  // "PC zvočnik", "Zvočna kartica", "Brez"
    QLabel* lblRealTime = nullptr;
    // Page "Radio"
    QComboBox* cbRadioLink = nullptr;  // "brez", "Hamlib", "rigctld"
    TNumberField* edRadioModel = nullptr;
    QComboBox* cbRadioDevice = nullptr;
    QComboBox* cbRadioBaud = nullptr;  // "privzeta", then the usual rates; others can be typed
    QLineEdit* edRadioHost = nullptr;
    TNumberField* edRadioPort = nullptr;

    QTabWidget* Pages = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

    static constexpr std::array<quint16, 3> kLptPorts{0x378, 0x278, 0x3BC};

    // The choice of rgLpt (0..2), -1 when none is selected.
    int LptIndex() const;
    void SetLptIndex(int index);
    // The memory field of slot 1..8.
    QLineEdit* MemoryField(int slot) const;
    // The choices of rgOutput (0..3) and rgSidetone (0..2), in the order listed.
    int OutputIndex() const;
    int SidetoneIndex() const;
    // The serial port chosen or typed in.
    QString SerialPort() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void UpdateOutputControls();
    void UpdateRadioControls();

    QButtonGroup* m_lptGroup = nullptr;
    QButtonGroup* m_outputGroup = nullptr;
    QButtonGroup* m_sidetoneGroup = nullptr;
    std::array<QLineEdit*, 8> m_memoryFields{};
    bool m_centred = false;
};

// The "Nastavitve" command: shows the dialog modally, filled from the keyer
// (and from the output settings, when given). Only "OK" takes the values
// over; "Cancel", Escape and the close box keep the keyer and the settings as
// they were. Returns whether the values were taken over.
bool ShowSetup(TCwKeyer& keyer, QWidget* parent = nullptr);
bool ShowSetup(TCwKeyer& keyer, TKeyingSettings* keying, QWidget* parent);
bool ShowSetup(TCwKeyer& keyer, TKeyingSettings* keying, RadioSettings* radio, QWidget* parent);

}  // namespace zox
