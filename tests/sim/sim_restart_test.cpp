// Settings forms, the reset marker and the restart that follows it.
#include "sim_fixture.h"

namespace halvoran::sim::test {
namespace {

struct FormCase {
    const char* Name;
    const char* Path;
    const char* Form;
    bool Marker;
    const char* Key;       // a setting the post should leave at Expected
    const char* Expected;
};

class FormPostTest : public SimLinkTest, public ::testing::WithParamInterface<FormCase> {};

TEST_P(FormPostTest, AnswersWithTheMarkerOnlyWhenTheChangeNeedsARestart) {
    const FormCase& c = GetParam();
    ASSERT_TRUE(Connect());
    std::optional<Reply> reply = Post(c.Path, c.Form);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->Marker, c.Marker);
    EXPECT_EQ(Printer().State(), c.Marker ? LinkState::Restarting : LinkState::WebPanel);
    EXPECT_EQ(Printer().Settings().Get(c.Key), c.Expected);
    EXPECT_FALSE(Printer().MsUntilOutput().has_value()) << "one record per post";
}

INSTANTIATE_TEST_SUITE_P(
    Forms, FormPostTest,
    ::testing::Values(
        FormCase{"SerialAlwaysRestarts", "/prsser.htm", "serial.baud=19200&serial.format=8E1", true, "serial.format", "8E1"},
        FormCase{"SerialUnchangedStillRestarts", "/prsser.htm", "serial.baud=9600", true, "serial.baud", "9600"},
        FormCase{"DarknessNeedsNoRestart", "/prscfgs.htm", "print.darkness=20", false, "print.darkness", "20"},
        FormCase{"EmulationRestarts", "/prscfgs.htm", "print.emulation=EPL&print.darkness=3", true, "print.emulation", "EPL"},
        FormCase{"SameEmulationNoRestart", "/prscfgs.htm", "print.emulation=ZPL", false, "print.emulation", "ZPL"},
        FormCase{"TcpChangeRestarts", "/prstcp.htm", "tcp.ip=10.0.0.7", true, "tcp.ip", "10.0.0.7"},
        FormCase{"NameWithBlanks", "/prsgen.htm", "net.name=Dock+printer%21", false, "net.name", "Dock printer!"},
        FormCase{"LogicalPrinter", "/prslpcfg.htm", "lp5.name=Labels&lp5.enabled=on", false, "lp5.enabled", "on"},
        FormCase{"SaveRestarts", "/prssvcfg.htm", "save=1", true, "print.darkness", "15"},
        FormCase{"BadValueChangesNothing", "/prscfgs.htm", "print.darkness=7&print.speed=99", false, "print.darkness", "15"},
        FormCase{"ForeignFieldChangesNothing", "/prscfgs.htm", "print.darkness=7&tcp.ip=1.2.3.4", false, "tcp.ip", "192.168.1.90"},
        FormCase{"PasswordIsNotAFormField", "/prsgen.htm", "admin.password=x", false, "admin.password", ""},
        FormCase{"MalformedEscape", "/prsgen.htm", "net.name=%zz", false, "net.name", "HALVORAN-P1"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SimLinkTest, RefusedFormNamesTheProblem) {
    ASSERT_TRUE(Connect());
    std::optional<Reply> reply = Post("/prscfgs.htm", "print.speed=99");
    ASSERT_TRUE(reply);
    EXPECT_NE(reply->Payload.find("print.speed: outside 2 to 12"), std::string::npos);
    EXPECT_TRUE(Logged("refused"));
}

TEST_F(SimLinkTest, FactorySettingsRestoreDefaultsAndRestart) {
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Post("/prsgen.htm", "net.name=Changed"));
    std::optional<Reply> reply = Post("/prsldcfg.htm", "defaults=1");
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->Marker);
    EXPECT_EQ(Printer().Settings(), SettingsModel());
}

TEST_F(SimLinkTest, PasswordChangeNeedsTheOldOneAndMatchingConfirmation) {
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Post("/prspass.htm", "old=&new=abc&confirm=abd"));
    EXPECT_EQ(Printer().Settings().Get("admin.password"), "");
    ASSERT_TRUE(Post("/prspass.htm", "old=&new=abc&confirm=abc"));
    EXPECT_EQ(Printer().Settings().Get("admin.password"), "abc");
    ASSERT_TRUE(Post("/prspass.htm", "old=wrong&new=x&confirm=x"));
    EXPECT_EQ(Printer().Settings().Get("admin.password"), "abc");
}

class RestartTimeTest : public SimLinkTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(RestartTimeTest, SilentForTheRestartTimeThenAnswersANewConnect) {
    const uint32_t restartMs = GetParam();
    SimOptions options;
    options.RestartMs = restartMs;
    Start(options);
    ASSERT_TRUE(Connect());
    std::optional<Reply> reply = Post("/prsser.htm", "serial.baud=2400");
    ASSERT_TRUE(reply);
    ASSERT_TRUE(reply->Marker);
    port->Disconnect(0);

    Wait(restartMs - 1);
    ASSERT_TRUE(port->Open());
    ModeCommand connect = MakeModeCommand(kModeConnect);
    ASSERT_TRUE(port->Write(connect.data(), kModeCommandSize));
    EXPECT_FALSE(Printer().MsUntilOutput().has_value()) << "a restarting printer does not answer";
    port->Close();

    Wait(1);
    EXPECT_TRUE(Connect());
    EXPECT_EQ(Printer().Status().Restarts, 1u);
    std::optional<Reply> status = Get("/ser.htm");
    ASSERT_TRUE(status);
    EXPECT_NE(status->Payload.find("value=\"2400\" selected"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Times, RestartTimeTest, ::testing::Values(8000u, 2000u));

TEST_F(SimLinkTest, RestartBeginsWhenTheSlowAnswerHasLeft) {
    SimOptions options;
    options.SlowByteMs = 5;
    Start(options);
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Post("/prsser.htm", "serial.baud=2400"));
    // The answer took several seconds to send; the printer stays silent 8000 ms after it.
    Wait(7999);
    Printer().Tick();
    EXPECT_EQ(Printer().State(), LinkState::Restarting);
    Wait(1);
    Printer().Tick();
    EXPECT_EQ(Printer().State(), LinkState::Offline);
}

TEST_F(SimLinkTest, ResetPageRestartsThePrinterWithoutMarker) {
    ASSERT_TRUE(Connect());
    std::optional<Reply> reply = Get("/reset.htm");
    ASSERT_TRUE(reply);
    EXPECT_FALSE(reply->Marker);
    EXPECT_EQ(Printer().State(), LinkState::Restarting);
    port->Close();
    EXPECT_FALSE(Connect()) << "the connect arrives during the restart";
    EXPECT_TRUE(Connect()) << "the failed read waited out the restart";
}

}  // namespace
}  // namespace halvoran::sim::test
