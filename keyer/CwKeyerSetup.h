#pragma once
// The keyer settings dialog: tone, speaker, the three speeds, the parallel
// port and the eight memories. ShowSetup fills it from the keyer and takes the
// values back only when the operator confirms with "OK".

#include <QDialog>
#include <QSpinBox>
#include <QString>

#include <array>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
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

class TSetupFrm : public QDialog {
    Q_OBJECT
public:
    // While the dialog exists the keyer's help ("Keyer.hlp" in the Help folder)
    // is the program's help file; the program's own ("Zox.hlp") afterwards.
    explicit TSetupFrm(QWidget* parent = nullptr);
    ~TSetupFrm() override;

    void LoadFrom(const TCwKeyer& keyer);
    void SaveTo(TCwKeyer& keyer) const;

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

protected:
    void showEvent(QShowEvent* event) override;

private:
    QButtonGroup* m_lptGroup = nullptr;
    std::array<QLineEdit*, 8> m_memoryFields{};
    bool m_centred = false;
};

// The "Nastavitve" command: shows the dialog modally, filled from the keyer.
// Only "OK" takes the values over; "Cancel", Escape and the close box keep
// the keyer as it was. Returns whether the values were taken over.
bool ShowSetup(TCwKeyer& keyer, QWidget* parent = nullptr);

}  // namespace zox
