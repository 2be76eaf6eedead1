// The state file: settings and installed firmware survive the program.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "sim_fixture.h"

namespace halvoran::sim::test {
namespace {

class StateFileTest : public SimLinkTest {
protected:
    void SetUp() override {
        char name[] = "/tmp/halvoran-sim-state-XXXXXX";
        int fd = ::mkstemp(name);
        ASSERT_GE(fd, 0);
        ::close(fd);
        std::remove(name);
        path = name;
    }
    void TearDown() override {
        std::remove(path.c_str());
        std::remove((path + ".new").c_str());
    }
    void StartWithState() {
        SimOptions options;
        options.StateFile = path;
        Start(options);
    }
    std::string Contents() const {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string path;
};

TEST_F(StateFileTest, SettingsPasswordAndFirmwareSurviveARestartOfTheProgram) {
    StartWithState();
    std::string problem;
    ASSERT_TRUE(Printer().LoadState(problem)) << problem;
    EXPECT_NE(Contents().find("net.name=HALVORAN-P1"), std::string::npos) << "written at the first start";
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Post("/prsgen.htm", "net.contact=Anna"));
    ASSERT_TRUE(Post("/prspass.htm", "old=&new=pw&confirm=pw"));
    Upload(MakeFirmwareFile("FLM", 64));
    Wait(kFirmwareSettleMs);
    Printer().Tick();
    const SettingsModel before = Printer().Settings();

    StartWithState();
    ASSERT_TRUE(Printer().LoadState(problem)) << problem;
    EXPECT_EQ(Printer().Settings(), before);
    EXPECT_EQ(Printer().Settings().Get("admin.password"), "pw");
    EXPECT_EQ(Printer().Status().FirmwareTag, "FLM");
}

TEST_F(StateFileTest, InvalidStateFileIsReportedAndLeftAlone) {
    const std::string bad = "net.name=ok\nprint.speed=fast\n";
    std::ofstream(path) << bad;
    StartWithState();
    std::string problem;
    EXPECT_FALSE(Printer().LoadState(problem));
    EXPECT_NE(problem.find("print.speed"), std::string::npos);
    EXPECT_EQ(Contents(), bad);
    EXPECT_EQ(Printer().Settings(), SettingsModel());
}

TEST(SettingsModelTest, ChecksEachKindOfField) {
    struct Case {
        const char* Key;
        const char* Value;
        bool Valid;
    } cases[] = {
        {"tcp.ip", "10.0.0.255", true},   {"tcp.ip", "10.0.0.256", false}, {"tcp.ip", "10.0.0", false},
        {"tcp.ip", "1.2.3.4.5", false},   {"tcp.ip", "a.b.c.d", false},    {"tcp.port", "65535", true},
        {"tcp.port", "0", false},         {"tcp.port", "12x", false},      {"print.media", "gap", true},
        {"print.media", "Gap", false},
        {"net.name", "tab\there", false}, {"no.such", "1", false},
    };
    for (const Case& c : cases) EXPECT_EQ(SettingsModel::Check(c.Key, c.Value).empty(), c.Valid) << c.Key << "=" << c.Value;
    EXPECT_TRUE(SettingsModel::Check("net.name", std::string(31, 'n')).empty());
    EXPECT_FALSE(SettingsModel::Check("net.name", std::string(32, 'n')).empty());
}

}  // namespace
}  // namespace halvoran::sim::test
