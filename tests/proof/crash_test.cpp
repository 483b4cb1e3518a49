// A program instance saves contacts as fast as it can and is killed at a random
// moment, a hundred times over on one log. The file must then hold every contact
// whose Save had returned, each one whole, and nothing else but the one contact
// that was being saved at the kill.
#include "proof/ProofSupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <thread>

using namespace zox::proof;

namespace {

// The child's choices for its i-th contact (tests/proof/proof_child.cpp).
QString yearFor(int i) { return QString::number(10 + (i * 7) % 90); }
QString modeFor(int i) { return i % 2 ? "SSB" : "CW"; }

std::string str(const QString& s) { return s.toStdString(); }

}  // namespace

TEST(ProofCrashSafety, EveryReturnedSaveSurvivesSigkill)
{
    constexpr int kRuns = 100;
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString log = tmp.filePath("crash.DAT");
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> killAfterMs(20, 300);

    std::vector<int> returned(kRuns, 0);  // saves each run reported as returned
    for (int run = 0; run < kRuns; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        Child child({"save", log, QString::number(run)}, tmp.path(), tmp.filePath("child.err"));
        ASSERT_TRUE(child.started());
        QByteArray line;
        ASSERT_TRUE(child.readLine(line, 20'000) && line == "READY") << str(child.errors());
        std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs(rng)));
        ASSERT_TRUE(child.running()) << "stopped saving by itself: " << str(child.errors());
        child.kill();
        ASSERT_TRUE(child.killedBySigkill());
        QByteArray partial;
        const QList<QByteArray> calls = child.restOfOutput(partial);
        ASSERT_TRUE(partial.isEmpty()) << "half a line: " << partial.toStdString();
        for (int i = 0; i < calls.size(); ++i)
            ASSERT_EQ(calls[i].toStdString(), str("Q" + QString::number(run) + "A" + QString::number(i)));
        returned[run] = int(calls.size());
    }

    const StoredLog stored = readStoredLog(log);
    ASSERT_EQ(str(stored.error), "");
    ASSERT_EQ(str(stored.integrity), "ok");

    static const QRegularExpression callForm("^Q(\\d+)A(\\d+)$");
    std::vector<int> found(kRuns, 0);
    std::set<std::pair<QString, QString>> worked;  // mode and year number seen so far
    std::pair<int, int> previous{-1, -1};
    for (const auto& r : stored.rows) {
        const QString vexa = r.at("Vexa").text;
        SCOPED_TRACE("record " + str(vexa));
        ASSERT_EQ(str(recordFault(r)), "");
        const auto m = callForm.match(r.at("Call").text);
        ASSERT_TRUE(m.hasMatch()) << str(r.at("Call").text);
        const int run = m.captured(1).toInt(), i = m.captured(2).toInt();
        ASSERT_LT(run, kRuns);
        // Entry order is save order, each contact once.
        ASSERT_LT(previous, std::make_pair(run, i));
        previous = {run, i};
        ASSERT_EQ(i, found[run]) << "a gap in run " << run;
        ++found[run];
        const QString mode = modeFor(i);
        EXPECT_EQ(str(r.at("Mode").text), str(mode));
        EXPECT_EQ(str(r.at("RstS").text), mode == "CW" ? "599" : "59");
        EXPECT_EQ(str(r.at("RstR").text), mode == "CW" ? "599" : "59");
        EXPECT_EQ(str(r.at("MultiR").text), str(yearFor(i)));
        EXPECT_EQ(r.at("Point").text.toInt(), mode == "CW" ? 2 : 1);
        EXPECT_EQ(str(r.at("Contest").text), "ZOX Contes");
        // A restarted program knows the multipliers the killed one had stored.
        const bool firstOfItsKind = worked.insert({mode, yearFor(i)}).second;
        EXPECT_EQ(r.at("MultiP").type == "integer", firstOfItsKind);
    }
    int total = 0;
    for (int run = 0; run < kRuns; ++run) {
        EXPECT_GE(found[run], returned[run]) << "run " << run << " lost contacts whose Save had returned";
        EXPECT_LE(found[run], returned[run] + 1) << "run " << run << " stored contacts it never saved";
        total += returned[run];
    }
    EXPECT_GT(total, 0) << "no Save returned before a kill: the test proved nothing";
    std::printf("%d kills, %d saves returned, %zu records in the log\n", kRuns, total, stored.rows.size());
}
