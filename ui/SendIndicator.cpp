#include "ui/SendIndicator.h"

namespace zox {

TSendIndicator::TSendIndicator(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("SendIndicator"));
    setTextFormat(Qt::RichText);
    hide();
}

int TSendIndicator::Start(const QString& text)
{
    m_shown.clear();
    m_shownIndex.clear();
    for (QChar c : text) {
        if (c == u'$' || c == u'%') {
            m_shownIndex << -1;
            continue;
        }
        m_shownIndex << int(m_shown.size());
        // As the keyer takes it: a..z in capitals.
        m_shown += (c >= u'a' && c <= u'z') ? QChar(c.unicode() - 'a' + 'A') : c;
    }
    m_sent = 0;
    m_send = ++m_lastSend;
    Render();
    show();
    return m_send;
}

void TSendIndicator::SetProgress(int index)
{
    if (!Sending() || index < 0 || index >= m_shownIndex.size()) return;
    // A marker shows nothing; the next character shown is the one coming.
    int at = -1;
    for (int i = index; i < m_shownIndex.size() && at < 0; ++i) at = m_shownIndex[i];
    m_sent = at < 0 ? int(m_shown.size()) : at;
    Render();
}

void TSendIndicator::Finish(int send)
{
    if (send != m_send) return;  // a later send is shown
    m_send = 0;
    m_shown.clear();
    m_shownIndex.clear();
    m_sent = 0;
    clear();
    hide();
}

void TSendIndicator::Render()
{
    const QString sent = m_shown.left(m_sent).toHtmlEscaped();
    const QString now = m_shown.mid(m_sent, 1).toHtmlEscaped();
    const QString rest = m_shown.mid(m_sent + 1).toHtmlEscaped();
    // Spaces kept as they are keyed.
    auto keep = [](QString s) { return s.replace(u' ', QStringLiteral("&nbsp;")); };
    setText(QStringLiteral("Oddajam: <span style=\"color:gray\">%1</span><u><b>%2</b></u><b>%3</b>")
                .arg(keep(sent), keep(now), keep(rest)));
}

}  // namespace zox
