// orugif record: what it refuses before recording anything, and where the
// session offers no screen, a message saying what is needed. (Recording
// itself is tested on a real X server by the record_x11 test.)
#include "app/clirun.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Sets environment variables for one test and puts them back after.
class Environment {
public:
    void set(const char* name, const QByteArray& value)
    {
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name), qgetenv(name));
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~Environment()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            const auto& [name, was, value] = *it;
            if (was)
                qputenv(name, value);
            else
                qunsetenv(name);
        }
    }

private:
    std::vector<std::tuple<const char*, bool, QByteArray>> saved_;
};

} // namespace

TEST(CliRecord, RefusesBadOptionsAndSaysWhatTheSessionLacks)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("rec.gif");
    struct Case {
        QStringList args;
        const char* message;
    };
    const Case cases[] = {
        {{"record"}, "usage: orugif record"},
        {{"record", out, "--region", "10,10,100"}, "--region attend X,Y,W,H"},
        {{"record", out, "--region", "10,10,0,50"}, "positives"},
        {{"record", out, "--window", "zz"}, "--window attend"},
        {{"record", out, "--fps", "0"}, "de 1 à 60"},
        {{"record", out, "--duration", "-1"}, "durée positive"},
        {{"record", out, "--region", "0,0,10,10", "--window", "0x400001"}, "ne vont pas ensemble"},
        {{"record", dir.filePath("rec.txt"), "--duration", "1"}, ".txt"},
        {{"record", out, "--colours", "many"}, "--colours attend"},
    };
    for (const Case& c : cases) {
        const clitest::Outcome r = clitest::run(c.args);
        EXPECT_EQ(r.code, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
    }

    // A Wayland session whose bus has no portal (never the user's real bus),
    // then no display at all: nothing is recorded and the message says what
    // is needed.
    Environment env;
    env.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/orugif-test-bus");
    env.set("WAYLAND_DISPLAY", "wayland-0");
    clitest::Outcome r = clitest::run({"record", out, "--duration", "1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("xdg-desktop-portal"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("session X11"))) << r.err.toStdString();
    env.set("WAYLAND_DISPLAY", QByteArray());
    env.set("XDG_SESSION_TYPE", QByteArray());
    env.set("DISPLAY", QByteArray());
    r = clitest::run({"record", out, "--duration", "1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("DISPLAY"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}
