// The sub-commands never leave a cut-short or mislabelled file, never report
// a failed write or a lack of memory as a success, and see their arguments as
// typed: in-process through the dispatcher, and end to end through the
// program itself.
#include "clirun.h"
#include "common/filename.h"
#include "formats/manifest.h"
#include "gif/compose.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>
#include <unistd.h>
#include <gtest/gtest.h>

namespace {

using clitest::Outcome;
using clitest::run;

// Two pictures of noise and an animation made of them, in a folder.
struct Inputs {
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    Inputs()
    {
        testsupport::noise(48, 48, 1).save(path("a.bmp"));
        testsupport::noise(48, 48, 2).save(path("b.png"));
        EXPECT_EQ(run({"make", path("anim.gif"), path("a.bmp"), path("b.png")}).code, 0);
    }
};

} // namespace

// --- a full disk -------------------------------------------------------------

struct Command {
    const char* name;
    QStringList (*args)(const Inputs&, const QString& out);
    const char* output;  // the file that exists before and must survive
};

void PrintTo(const Command& c, std::ostream* out) { *out << c.name; }

class FullDiskCommand : public ::testing::TestWithParam<Command> {};

TEST_P(FullDiskCommand, failsWithTheSystemsReasonAndKeepsTheExistingFile)
{
    const Command c = GetParam();
    Inputs in;
    QDir().mkpath(in.path("frames"));
    const QString out = in.path(QString::fromLatin1(c.output));
    const QByteArray previous(1200, 'x');
    ASSERT_TRUE(testsupport::writeBytes(out, previous));
    const QStringList args = c.args(in, out);
    const int outcome = testsupport::withFileSizeLimit(1024, [&] {
        const Outcome r = run(args);
        if (r.code == 0)
            return 1;
        return r.err.contains("Impossible d'écrire le fichier") && r.err.contains("fichier trop volumineux") ? 0 : 2;
    });
    EXPECT_EQ(outcome, 0) << "1: the failure was reported as a success; 2: another message";
    EXPECT_EQ(formatstest::readFile(out), previous);
    const Outcome again = run(args);  // without the limit
    EXPECT_EQ(again.code, 0) << again.err.toStdString();
    EXPECT_GT(QFileInfo(out).size(), 1024);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, FullDiskCommand,
    ::testing::Values(
        Command{"make", [](const Inputs& in, const QString& out) { return QStringList{"make", out, in.path("a.bmp"), in.path("b.png")}; },
                "out.gif"},
        Command{"recode", [](const Inputs& in, const QString& out) { return QStringList{"recode", in.path("anim.gif"), out}; },
                "out.gif"},
        Command{"edit_gif", [](const Inputs& in, const QString& out) { return QStringList{"edit", in.path("anim.gif"), out}; },
                "out.gif"},
        Command{"edit_bmp", [](const Inputs& in, const QString& out) { return QStringList{"edit", in.path("a.bmp"), out}; },
                "out.bmp"},
        Command{"edit_jpg", [](const Inputs& in, const QString& out) { return QStringList{"edit", in.path("a.bmp"), out}; },
                "out.jpg"},
        Command{"edit_pcx", [](const Inputs& in, const QString& out) { return QStringList{"edit", in.path("a.bmp"), out}; },
                "out.pcx"},
        Command{"edit_png", [](const Inputs& in, const QString& out) { return QStringList{"edit", in.path("a.bmp"), out}; },
                "out.png"},
        Command{"frames", [](const Inputs& in, const QString&) { return QStringList{"frames", in.path("anim.gif"), in.path("frames")}; },
                "frames/frame-000.bmp"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- output names ------------------------------------------------------------

TEST(CommandOutputs, aNameOutsideTheWrittenFormatsIsRefusedBeforeReading)
{
    Inputs in;
    const QByteArray png = formatstest::readFile(in.path("b.png"));
    const Outcome make = run({"make", in.path("b.bmp"), in.path("b.png")});
    EXPECT_EQ(make.code, 1);
    EXPECT_TRUE(make.err.contains("se terminent par .gif, .avi, .mp4, .webm, .webp, .png.")) << make.err.toStdString();
    EXPECT_EQ(formatstest::readFile(in.path("b.png")), png);

    // Refused before the input is even looked for.
    for (const char* name : {"out.tif", "out.txt", "out"}) {
        const Outcome edit = run({"edit", in.path("missing.bmp"), in.path(name)});
        EXPECT_EQ(edit.code, 1);
        EXPECT_TRUE(edit.err.contains(".gif, .bmp, .jpg, .jpeg, .jpe, .pcx, .png")) << edit.err.toStdString();
        EXPECT_FALSE(QFile::exists(in.path(name)));
    }
    EXPECT_NE(run({"make", in.path("out.bmp"), in.path("a.bmp")}).code, 0);
    EXPECT_FALSE(QFile::exists(in.path("out.bmp")));

    // Each written format is what its name says.
    for (const auto& [name, magic] : {std::pair{"x.png", QByteArray("\x89PNG")}, {"x.jpe", QByteArray("\xff\xd8\xff")},
                                      {"x.GIF", QByteArray("GIF8")}, {"x.bmp", QByteArray("BM")}}) {
        ASSERT_EQ(run({"edit", in.path("b.png"), in.path(name)}).code, 0) << name;
        EXPECT_EQ(formatstest::readFile(in.path(name)).left(magic.size()), magic) << name;
    }
}

// --- memory ------------------------------------------------------------------

TEST(CommandMemory, runningOutWhileOpeningFailsWithoutWriting)
{
    Inputs in;
    int copies = 0;
    orugif::gif::CopyComposedFrame = [&copies](const QImage& canvas) { return ++copies == 2 ? QImage() : canvas.copy(); };
    const Outcome r = run({"make", in.path("out.gif"), in.path("anim.gif")});
    orugif::gif::CopyComposedFrame = orugif::gif::CopyCanvas;
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("error: Mémoire insuffisante")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(in.path("out.gif")));
}

TEST(CommandMemory, framesRefusesWhatTheEditorWouldNotOpen)
{
    QTemporaryDir dir;
    const Outcome r = run({"frames", testsupport::testfile("data/crashers/refused-gif-3000-frames-on-large-screen.gif"),
                           dir.path()});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("3000 cadres de 1000 x 1000")) << r.err.toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

// --- the program's own arguments ---------------------------------------------

namespace {

Outcome runProgram(const QStringList& args, const QString& folder)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("XDG_RUNTIME_DIR");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(folder);
    p.start(QString::fromUtf8(ORUGIF_BINARY), args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return {-1, {}, QString::fromLocal8Bit(p.readAllStandardError())};
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()), QString::fromLocal8Bit(p.readAllStandardError())};
}

} // namespace

class ToolkitOptionName : public ::testing::TestWithParam<const char*> {};

TEST_P(ToolkitOptionName, isAFileNameOfTheSubCommand)
{
    Inputs in;
    const QByteArray a = formatstest::readFile(in.path("a.bmp"));
    const QString option = QString::fromLatin1(GetParam());
    const Outcome r = runProgram({"make", option, "a.bmp", "b.png"}, in.dir.path());
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_EQ(r.err, QString("error: Le fichier %1 ne peut pas être écrit dans ce format : les noms acceptés se "
                             "terminent par .gif, .avi, .mp4, .webm, .webp, .png.\n")
                         .arg(option));
    EXPECT_EQ(formatstest::readFile(in.path("a.bmp")), a);
}

INSTANTIATE_TEST_SUITE_P(Options, ToolkitOptionName,
                         ::testing::Values("-reverse", "-platform", "-plugin", "-qwindowtitle", "-qmljsdebugger=port:1",
                                           "-style", "-session"),
                         [](const auto& info) { return formatstest::testName(QString::fromLatin1(info.param)); });

TEST(ProgramArguments, doubleDashEndsTheOptionsAndOnlyTheToolsOwnOutputIsPrinted)
{
    Inputs in;
    QFile::copy(in.path("a.bmp"), in.path("--odd-name.bmp"));
    QFile::copy(in.path("b.png"), in.path("-reverse.png"));
    const Outcome r = runProgram({"make", "out.gif", "--", "--odd-name.bmp", "-reverse.png", "--loop"}, in.dir.path());
    EXPECT_NE(r.code, 0);  // "--loop" is a file name after "--", and there is none
    EXPECT_TRUE(r.err.contains("--loop")) << r.err.toStdString();

    const Outcome ok = runProgram({"make", "out.gif", "--", "--odd-name.bmp", "-reverse.png"}, in.dir.path());
    EXPECT_EQ(ok.code, 0) << ok.err.toStdString();
    EXPECT_EQ(ok.out, "out.gif: 2 frames of 48 x 48\n");
    EXPECT_EQ(ok.err, "");  // no toolkit warning about the runtime folder or anything else
}

// A name that is not UTF-8 is written and read under the bytes typed, by the
// program itself (the shell gives it the bytes; QProcess could not).
TEST(ProgramArguments, aNameThatIsNotUtf8IsWrittenAndOpenedUnderItsOwnBytes)
{
    Inputs in;
    const QByteArray folder = QFile::encodeName(in.dir.path());
    const auto shell = [&](const char* script) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_QPA_PLATFORM");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(in.dir.path());
        p.start("/bin/sh", {"-c", QString::fromLatin1(script), QString::fromUtf8(ORUGIF_BINARY)});
        EXPECT_TRUE(p.waitForFinished(60000));
        return Outcome{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    };
    const Outcome make = shell(R"sh("$0" make "$(printf 'holiday-\351.gif')" a.bmp)sh");
    EXPECT_EQ(make.code, 0) << make.err.toStdString();
    EXPECT_EQ(make.out, "holiday-\\xe9.gif: 1 frames of 48 x 48\n");
    QFile written;
    QString reason;
    ASSERT_TRUE(orugif::openForReading(written, orugif::fileNameFromBytes(folder + "/holiday-\xe9.gif"), reason)) << reason.toStdString();
    EXPECT_TRUE(written.readAll().startsWith("GIF89a"));
    EXPECT_FALSE(QFile::exists(in.path(QStringLiteral("holiday-\uFFFD.gif"))));

    // Opened again: as the input of make, and by info.
    const Outcome again = shell(R"sh("$0" make "$(printf 'copy-\377.gif')" "$(printf 'holiday-\351.gif')")sh");
    EXPECT_EQ(again.code, 0) << again.err.toStdString();
    const Outcome info = shell(R"sh("$0" info "$(printf 'copy-\377.gif')")sh");
    EXPECT_EQ(info.code, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.startsWith("file: copy-\\xff.gif\nversion: GIF89a\nscreen: 48x48\n")) << info.out.toStdString();
    for (const char* name : {"/holiday-\xe9.gif", "/copy-\xff.gif"})
        ::unlink((folder + name).constData());  // QTemporaryDir cannot spell them
}
