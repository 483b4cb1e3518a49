#pragma once
// The status bar's sending indicator: while a message is keyed or spoken it
// shows the text being sent (after macro expansion, without the speed markers
// "$" and "%"), the part already sent greyed and the character being sent
// underlined; it is hidden when nothing is sent.
//
// Sends may nest (a memory key pressed during a send replaces its rest), so
// Start hands out a number and Finish only clears the indicator when that
// number is still the one shown.

#include <QLabel>
#include <QList>

namespace zox {

class TSendIndicator : public QLabel {
    Q_OBJECT
public:
    explicit TSendIndicator(QWidget* parent = nullptr);

    // Shows a new text (as given to the keyer); returns its number.
    int Start(const QString& text);
    // The character at `index` of that text is being sent now.
    void SetProgress(int index);
    // The send numbered `send` has ended or was stopped.
    void Finish(int send);

    bool Sending() const { return m_send != 0; }
    // The number of the send shown; 0: none.
    int Current() const { return m_send; }
    // What is shown: the text without its speed markers.
    QString Shown() const { return m_shown; }
    // How many characters of Shown() have been sent before the current one.
    int Sent() const { return m_sent; }

private:
    void Render();

    QString m_shown;
    QList<int> m_shownIndex;  // for each character of the text given: its place in m_shown, -1 for a marker
    int m_sent = 0;
    int m_send = 0;           // the send shown; 0: none
    int m_lastSend = 0;
};

}  // namespace zox
