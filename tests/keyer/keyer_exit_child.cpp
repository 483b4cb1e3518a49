// A program instance that is keying when the test ends it: a real main window
// on the offscreen platform, its port device a stand-in that writes every
// write request (4 bytes of request code, then the 12-byte block) to file
// descriptor 3, from a signal handler too.
//
//   keyer_exit_child send        F1 keys "TTTTTTTTTT" at speed 50 with the speaker on
//   keyer_exit_child tune        Tune held down
//   keyer_exit_child terminate   Tune held down, then std::terminate
//
// It then runs the event loop until a signal ends it, as the program does.
#include "ui/WindowFixture.h"

#include "keyer/CwKeyer.h"
#include "keyer/KeyRelease.h"
#include "keyer/zlportio.h"
#include "ui/ProgramExit.h"

#include <QApplication>
#include <QToolButton>

#include <cstdio>
#include <exception>
#include <unistd.h>

using namespace zox;
using zox::test::Window;

namespace {

constexpr int kOut = 3;

void Put(quint32 code, const TPortRequestBlock& block) noexcept
{
    // One write a record: a pipe takes up to PIPE_BUF bytes whole, even when a signal comes.
    quint8 record[4 + kPortRequestBytes];
    for (int i = 0; i < 4; ++i) record[i] = static_cast<quint8>(code >> (8 * i));
    for (std::size_t i = 0; i < kPortRequestBytes; ++i) record[4 + i] = block[i];
    [[maybe_unused]] const ssize_t n = ::write(kOut, record, sizeof record);
}

class TPipePortDevice final : public TPortDevice {
public:
    bool Open() override { return true; }
    void Close() override {}
    bool DeviceIoControl(quint32 code, const quint8* in, std::size_t inSize, quint8* out,
                         std::size_t outSize) override
    {
        const auto request = DecodePortRequest(in, inSize);
        if (!request) return false;
        if (code == kPortWriteRequest) {
            Put(code, EncodePortRequest(*request));
            return true;
        }
        // Reads (the paddle poll, every millisecond) are not written: the paddles are idle.
        if (code == kPortReadRequest && out && outSize >= 4) {
            for (int i = 0; i < 4; ++i) out[i] = 0xFF;
            return true;
        }
        return false;
    }
    void WriteFromSignal(const TPortRequest* requests, std::size_t count) noexcept override
    {
        for (std::size_t i = 0; i < count; ++i) Put(kPortWriteRequest, EncodePortRequest(requests[i]));
    }
};

}  // namespace

int main(int argc, char** argv)
{
    InstallFatalKeyRelease();
    ZlPortIoStart(std::make_unique<TPipePortDevice>());
    QApplication app(argc, argv);
    const QString mode = argc == 2 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode != "send" && mode != "tune" && mode != "terminate") {
        std::fprintf(stderr, "usage: keyer_exit_child send|tune|terminate\n");
        return 2;
    }
    int rc = 0;
    {
        Window t;
        CloseOnTermSignals(*t.w);
        if (!t.w->Keyer) return 3;
        if (mode == "send") {
            t.w->Keyer->Memory()[1] = "TTTTTTTTTT";
            t.w->edKeyerSpeed->setValue(50);
            t.w->ZvocnikBtn->click();
            QTimer::singleShot(0, [&t] { QTest::keyClick(t.w->edCall, Qt::Key_F1); });
        } else {
            QTest::mousePress(t.w->SpeedItem12, Qt::LeftButton);
            if (mode == "terminate") QTimer::singleShot(100, [] { std::terminate(); });
        }
        rc = app.exec();
    }
    ZlPortIoEnd();
    return rc;
}
