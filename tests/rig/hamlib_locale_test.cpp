// Opening a rigctld link, Hamlib switches LC_NUMERIC to "C" from the radio
// thread and back through the name it read before the switch, which the
// switch frees when the locale was another. Every such switch must be to a
// name the C library still knows. setlocale is watched here by a definition
// of this program's own, which Hamlib's calls reach.
#include "RigctldSupport.h"
#include "rig/HamlibLink.h"

#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <clocale>
#include <dlfcn.h>

namespace {
std::atomic<int> g_switches{0};  // setlocale calls that named a locale
std::atomic<int> g_refused{0};   // of them, those the C library could not take
}  // namespace

extern "C" char* setlocale(int category, const char* locale) noexcept
{
    using Real = char* (*)(int, const char*);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "setlocale"));
    char* result = real(category, locale);
    if (locale && category == LC_NUMERIC) {
        ++g_switches;
        if (!result) ++g_refused;
    }
    return result;
}

using namespace zox;

class HamlibLocaleTest : public QObject {
    Q_OBJECT
private slots:
    void hamlibsLocaleSwitchesAreSound()
    {
        // A decimal-comma locale would do as well; C.UTF-8 is always there.
        QVERIFY(std::setlocale(LC_NUMERIC, "C.UTF-8"));
        test::Rigctld radio;
        QVERIFY(radio.Start());
        RadioSettings s;
        s.link = RadioLinkKind::Rigctld;
        s.port = radio.Port();
        const int before = g_switches;
        for (int i = 0; i < 2; ++i) {
            HamlibLink link(s);
            QSignalSpy linked(&link, &RadioLink::Linked);
            QTRY_COMPARE_WITH_TIMEOUT(linked.size(), 1, 5000);
            link.Close(5000);
        }
        QVERIFY2(g_switches - before > 2, "Hamlib switched no locale: this test shows nothing");
        QCOMPARE(g_refused.load(), 0);
    }
};

QTEST_GUILESS_MAIN(HamlibLocaleTest)
#include "hamlib_locale_test.moc"
