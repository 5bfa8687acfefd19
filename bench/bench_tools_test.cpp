// The benchmarks' own tools, run as tools/bench.sh runs them: the start-up
// probe in the real nubra and bare_window executables (in a settings folder
// of their own, on the offscreen platform), the start-up harness, and the
// program that callgrind counts inflate in.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

// A loopback address nothing listens on.
std::string closedHost() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const auto port = probe.serverPort();
    probe.close();
    return "127.0.0.1:" + std::to_string(port);
}

struct Outcome {
    bool finished = false;
    int exitCode = -1;
    QString out;
    long long startNs = 0, endNs = 0;
};

class StartupProbe : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }

    void writeSettings(const std::string& content) {
        std::ofstream(folder_.filePath("nubra.ini").toStdString(), std::ios::binary) << content;
    }
    // A "serveurs" section sending every service but `except` to a closed port.
    std::string noNetwork(const std::string& except = "") {
        std::string section = "[serveurs]\n";
        for (const char* key : {"france", "suisse", "canada", "canada-site", "belgique"})
            if (key != except) section += std::string(key) + "=" + closedHost() + "\n";
        // Open-Meteo, every country's source by default, on the closed port too.
        return section + "open-meteo=http://" + closedHost() + "\n";
    }

    Outcome run(const char* program, bool probe, int waitMs = 60000) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", folder_.path());
        if (probe) env.insert("NUBRA_EXIT_WHEN_SHOWN", "1");
        else env.remove("NUBRA_EXIT_WHEN_SHOWN");
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        Outcome o;
        o.startNs = nowNs();
        process.start(program, {});
        o.finished = process.waitForFinished(waitMs);
        o.endNs = nowNs();
        if (!o.finished) {
            process.kill();
            process.waitForFinished();
        }
        o.exitCode = process.exitCode();
        o.out = QString::fromUtf8(process.readAllStandardOutput());
        return o;
    }

    static long long nowNs() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    QTemporaryDir folder_;
};

// The one line the probe prints: the paint time, which must fall inside
// the run as the parent saw it, and the number of boxes answered.
void expectProbeLine(const Outcome& o, int boxes) {
    ASSERT_TRUE(o.finished) << "the program did not end after its window was shown";
    EXPECT_EQ(o.exitCode, 0);
    long long shown = 0;
    int seen = -1;
    char rest = 0;
    ASSERT_EQ(std::sscanf(o.out.toStdString().c_str(), "shown_ns=%lld boxes=%d\n%c", &shown, &seen, &rest), 2)
        << o.out.toStdString();
    EXPECT_GT(shown, o.startNs);
    EXPECT_LT(shown, o.endNs);
    EXPECT_EQ(seen, boxes);
}

TEST_F(StartupProbe, AnswersTheStartUpErrorBoxesAndEndsOncePainted) {
    // No network: the start-up fetch fails and its box is answered.
    writeSettings(noNetwork() + "[general]\nPays=0\nvilledefaut=0\n");
    expectProbeLine(run(NUBRA_BIN, true), 1);

    // A rejected server entry adds its own box before the fetch's.
    writeSettings(noNetwork("france") + "france=not a host\n[general]\nPays=1\nvilledefaut=0\n");
    expectProbeLine(run(NUBRA_BIN, true), 2);

    // No country: nothing fetched, no box.
    writeSettings("[general]\nPays=7\n");
    expectProbeLine(run(NUBRA_BIN, true), 0);

    expectProbeLine(run(BARE_WINDOW_BIN, false), 0);
}

TEST_F(StartupProbe, WithoutTheVariableNubraKeepsRunning) {
    writeSettings("[general]\nPays=7\n");
    const Outcome o = run(NUBRA_BIN, false, 3000);
    EXPECT_FALSE(o.finished);
    EXPECT_TRUE(o.out.isEmpty()) << o.out.toStdString();
}

TEST_F(StartupProbe, HarnessRefusesRunsThatAreNotTheIntendedStartUp) {
    // Programs that print no probe line: no figure, exit status 1.
    QProcess harness;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    harness.setProcessEnvironment(env);
    harness.start(BENCH_STARTUP_BIN, {"--runs", "1", "/bin/true", "/bin/true"});
    ASSERT_TRUE(harness.waitForFinished(60000));
    EXPECT_EQ(harness.exitCode(), 1);
    EXPECT_TRUE(harness.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(harness.readAllStandardError().contains("did not report its window"));

    // The bare window in nubra's place answers no box where one is expected.
    harness.start(BENCH_STARTUP_BIN, {"--runs", "1", BARE_WINDOW_BIN, BARE_WINDOW_BIN});
    ASSERT_TRUE(harness.waitForFinished(60000));
    EXPECT_EQ(harness.exitCode(), 1);
    EXPECT_TRUE(harness.readAllStandardError().contains("answered 0 error boxes, expected 1"));

    // Both as meant: figures and a verdict, exit status 0.
    harness.start(BENCH_STARTUP_BIN, {"--runs", "2", NUBRA_BIN, BARE_WINDOW_BIN});
    ASSERT_TRUE(harness.waitForFinished(120000));
    EXPECT_EQ(harness.exitCode(), 0) << harness.readAllStandardError().toStdString();
    const QString out = QString::fromUtf8(harness.readAllStandardOutput());
    EXPECT_TRUE(out.contains("ratio nubra / bare window (to window painted)")) << out.toStdString();
    // Each program's times in milliseconds: painted before its end, and
    // neither beyond the run's own length.
    for (const char* name : {"nubra", "bare_window"}) {
        const qsizetype at = out.indexOf(QString(name) + " ");
        ASSERT_GE(at, 0) << out.toStdString();
        double shown = 0, shownBest = 0, end = 0, endBest = 0;
        ASSERT_EQ(std::sscanf(out.mid(at + qsizetype(std::strlen(name))).toStdString().c_str(),
                              " to window painted %lf ms [ %lf] to process end %lf ms [ %lf]", &shown, &shownBest,
                              &end, &endBest),
                  4)
            << out.toStdString();
        EXPECT_GT(shownBest, 0);
        EXPECT_LE(shownBest, shown);
        EXPECT_LT(shown, end);
        EXPECT_LT(end, 120000);
    }
}

#ifdef BENCH_INFLATE_INSTR_BIN
// Outside callgrind the counter is a no-op and the program simply decodes:
// both decoders must give the same bytes from the same input, or their
// counts per byte would not compare like with like.
TEST(InflateInstructionCount, BothDecodersDecodeTheSameInput) {
    for (const char* input : {"text", "catalogue"}) {
        QString lines[2];
        int i = 0;
        for (const char* which : {"ours", "zlib"}) {
            QProcess program;
            program.start(BENCH_INFLATE_INSTR_BIN, {which, input});
            ASSERT_TRUE(program.waitForFinished(120000));
            EXPECT_EQ(program.exitCode(), 0) << which << " " << input;
            lines[i++] = QString::fromUtf8(program.readAllStandardOutput());
        }
        EXPECT_TRUE(lines[0].startsWith("output_bytes=")) << lines[0].toStdString();
        EXPECT_FALSE(lines[0].startsWith("output_bytes=0 ")) << lines[0].toStdString();
        EXPECT_EQ(lines[0], lines[1]) << input;
    }
    QProcess wrong;
    wrong.start(BENCH_INFLATE_INSTR_BIN, {"ours", "nothing"});
    ASSERT_TRUE(wrong.waitForFinished(60000));
    EXPECT_EQ(wrong.exitCode(), 2);
}
#endif

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);  // QTcpServer and QProcess want one
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
