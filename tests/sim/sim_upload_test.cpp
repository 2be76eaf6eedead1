// Uploads after the tool has left web panel mode: envelope checks, firmware
// install, configuration apply and the configuration round trip.
#include "sim_fixture.h"

namespace halvoran::sim::test {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Firmware(const char* tag, uint32_t body) { return MakeFirmwareFile(tag, body); }

struct FirmwareCase {
    const char* Name;
    Bytes File;
    bool Installed;
    const char* Why;  // part of the logged reason when refused
};

std::vector<FirmwareCase> FirmwareCases() {
    Bytes badSignature = Firmware("FLA", 300);
    badSignature[10] = 0x12;
    Bytes smallTag = Firmware("FLA", 300);
    smallTag[13] = 'f', smallTag[14] = 'l', smallTag[15] = 'a';
    Bytes configSignature = Firmware("FLA", 300);
    configSignature[6] = 'i', configSignature[8] = 'i';
    Bytes shorter = Firmware("FLM", 300);
    shorter.pop_back();
    Bytes longer = Firmware("MON", 300);
    longer.push_back(0x42);
    return {
        {"Fla", Firmware("FLA", 300), true, ""},
        {"Flm", Firmware("FLM", 5000), true, ""},
        {"Mon", Firmware("MON", 300), true, ""},
        {"Frm", Firmware("FRM", 300), true, ""},
        {"WrongSignatureByte", badSignature, false, "signature"},
        {"LowerCaseTag", smallTag, false, "type tag"},
        {"ConfigurationSignature", configSignature, false, "configuration rejected"},
        {"OneByteShort", shorter, false, "shorter than its length field"},
        {"OneByteLong", longer, false, "longer than its length field"},
    };
}

class FirmwareUploadTest : public SimLinkTest, public ::testing::WithParamInterface<FirmwareCase> {};

TEST_P(FirmwareUploadTest, InstallsOnlyAFileWhoseEnvelopeIsRight) {
    const FirmwareCase& c = GetParam();
    ASSERT_TRUE(Connect());
    Upload(c.File);
    Wait(kInputIdleMs);
    Printer().Tick();
    const PrinterStatus& status = Printer().Status();
    if (c.Installed) {
        EXPECT_EQ(status.FirmwareSize, c.File.size());
        EXPECT_EQ(status.FirmwareTag, std::string(c.File.begin() + 13, c.File.begin() + 16));
        EXPECT_EQ(Printer().State(), LinkState::Restarting);
    } else {
        EXPECT_TRUE(status.FirmwareTag.empty());
        EXPECT_NE(status.LastUpload.find("rejected"), std::string::npos) << status.LastUpload;
        EXPECT_NE(status.LastUpload.find(c.Why), std::string::npos) << status.LastUpload;
    }
    // Either way the printer takes a new connection afterwards.
    Wait(8000);
    port->Close();
    EXPECT_TRUE(Connect());
}

INSTANTIATE_TEST_SUITE_P(Files, FirmwareUploadTest, ::testing::ValuesIn(FirmwareCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SimLinkTest, InstalledFirmwareShowsOnTheStatusPage) {
    ASSERT_TRUE(Connect());
    Bytes file = Firmware("FRM", 1000);
    Upload(file);
    Wait(kFirmwareSettleMs);
    Printer().Tick();
    Wait(8000);
    ASSERT_TRUE(Connect());
    std::optional<Reply> status = Get("/status.htm");
    ASSERT_TRUE(status);
    EXPECT_NE(status->Payload.find("FRM, " + std::to_string(file.size()) + " bytes"), std::string::npos);
}

TEST_F(SimLinkTest, SerialDownloadModeThrottlesWithXoffAndXon) {
    SimOptions options;
    options.XoffEvery = 100;
    options.XoffMs = 30;
    Start(options);
    ASSERT_TRUE(Connect());
    ModeCommand download = MakeModeCommand(kModeDownload);
    ASSERT_TRUE(port->Write(download.data(), kModeCommandSize));
    EXPECT_EQ(Printer().State(), LinkState::DownloadMode);
    Bytes file = Firmware("FLA", 463);  // 500 bytes
    for (size_t at = 0; at < file.size(); at += 50)
        ASSERT_TRUE(port->Write(file.data() + at, static_cast<uint32_t>(std::min<size_t>(50, file.size() - at))));
    EXPECT_EQ(Printer().Throttles(), 5u);
    Bytes flow(10);
    ASSERT_TRUE(port->ReadExactly(flow.data(), 10));
    EXPECT_EQ(flow, (Bytes{0x13, 0x11, 0x13, 0x11, 0x13, 0x11, 0x13, 0x11, 0x13, 0x11}));
    Wait(kFirmwareSettleMs);
    Printer().Tick();
    EXPECT_EQ(Printer().Status().FirmwareTag, "FLA");
}

TEST_F(SimLinkTest, NoFlowControlBytesOutsideDownloadMode) {
    SimOptions options;
    options.XoffEvery = 10;
    Start(options);
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Get("/status.htm"));
    Upload(Firmware("FLA", 100));  // after the disconnect command, not the download-mode one
    EXPECT_EQ(Printer().Throttles(), 0u);
    EXPECT_FALSE(Printer().MsUntilOutput().has_value());
}

TEST_F(SimLinkTest, ConfigurationRoundTripRestoresTheSettings) {
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Post("/prsgen.htm", "net.name=Packing+line+3&net.location=Hall+B"));
    ASSERT_TRUE(Post("/prscfgs.htm", "print.darkness=22&print.media=mark"));
    ASSERT_TRUE(Post("/prspass.htm", "old=&new=secret&confirm=secret"));
    std::optional<Reply> saved = Get("/conf.cfg");
    ASSERT_TRUE(saved);
    const Bytes file(saved->Payload.begin(), saved->Payload.end());
    EnvelopeHead head = InspectEnvelope(file.data(), file.size());
    ASSERT_EQ(head.Verdict, EnvelopeVerdict::Config);
    EXPECT_EQ(head.TotalSize, file.size());
    EXPECT_TRUE(HasConfigTrailer(file.data(), file.size()));
    EXPECT_EQ(saved->Payload.find("secret"), std::string::npos) << "the password stays in the printer";
    const SettingsModel before = Printer().Settings();

    ASSERT_TRUE(Post("/prsgen.htm", "net.name=Other&net.location="));
    ASSERT_TRUE(Post("/prscfgs.htm", "print.darkness=1"));
    Upload(file, true);
    EXPECT_EQ(Printer().Settings(), before);
    EXPECT_NE(Printer().Status().LastUpload.find("applied"), std::string::npos);
    EXPECT_EQ(Printer().State(), LinkState::Restarting);
    Wait(8000);
    ASSERT_TRUE(Connect());
    EXPECT_NE(Get("/printer.htm")->Payload.find("Packing line 3"), std::string::npos);
}

struct ConfigCase {
    const char* Name;
    Bytes File;
    bool Finish;
    const char* Outcome;  // part of the last upload text
    bool NamesX = false;  // an applied file that sets net.name to X
};

std::vector<ConfigCase> ConfigCases() {
    Bytes badTrailer = MakeConfigFile("net.name=X\n");
    std::swap(badTrailer[badTrailer.size() - 1], badTrailer[badTrailer.size() - 2]);
    return {
        {"Applied", MakeConfigFile("net.name=X\n"), true, "applied", true},
        {"EmptyBodyApplied", MakeConfigFile(""), true, "applied"},
        {"NoFinishCommand", MakeConfigFile("net.name=X\n"), false, "none"},
        {"WrongTrailer", badTrailer, true, "does not end with ESC backslash"},
        {"UnknownSetting", MakeConfigFile("net.name=X\nfoo=1\n"), true, "foo: unknown setting"},
        {"BadValue", MakeConfigFile("net.name=X\nprint.speed=1\n"), true, "print.speed"},
        {"PasswordRefused", MakeConfigFile("admin.password=x\n"), true, "not accepted"},
    };
}

class ConfigUploadTest : public SimLinkTest, public ::testing::WithParamInterface<ConfigCase> {};

TEST_P(ConfigUploadTest, AppliesAllOrNothingOnTheFinishCommand) {
    const ConfigCase& c = GetParam();
    ASSERT_TRUE(Connect());
    const SettingsModel before = Printer().Settings();
    Upload(c.File, c.Finish);
    const bool applied = std::string(c.Outcome) == "applied";
    EXPECT_NE(Printer().Status().LastUpload.find(c.Outcome), std::string::npos) << Printer().Status().LastUpload;
    if (c.NamesX) {
        EXPECT_EQ(Printer().Settings().Get("net.name"), "X");
    } else {
        EXPECT_EQ(Printer().Settings(), before);
    }
    EXPECT_EQ(Printer().State(), applied ? LinkState::Restarting : LinkState::Offline);
    Wait(8000);
    EXPECT_TRUE(Connect());
}

INSTANTIATE_TEST_SUITE_P(Files, ConfigUploadTest, ::testing::ValuesIn(ConfigCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SimLinkTest, FinishCommandWithoutAFileIsLogged) {
    ASSERT_TRUE(Connect());
    Upload({}, true);
    EXPECT_TRUE(Logged("no configuration file was received"));
    EXPECT_EQ(Printer().State(), LinkState::Offline);
}

TEST_F(SimLinkTest, UploadPostedOverTheLinkIsExplainedNotTaken) {
    ASSERT_TRUE(Connect());
    std::optional<Reply> reply = Post("/prsfwdld.htm", "x=1");
    ASSERT_TRUE(reply);
    EXPECT_NE(reply->Payload.find("Upload not started"), std::string::npos);
    EXPECT_TRUE(Logged("posted over the link"));
}

}  // namespace
}  // namespace halvoran::sim::test
