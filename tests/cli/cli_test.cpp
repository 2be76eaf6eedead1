// Every command of halvoran-cli against the simulated printer, its exit
// statuses for the link's faults and bad files, and the settings file.
#include <signal.h>

#include <chrono>
#include <thread>

#include "app/texts.h"
#include "cli_fixture.h"
#include "upload_envelope.h"

namespace halvoran::test {
namespace {

std::string English(const TextPair& pair) { return pair.English; }

std::string Bytes(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST_F(CliTest, ProbeConnectsAndStoresTheSettingsOfTheConnection) {
    StartPrinter();
    const CliRun run = RunCom({"--port", "3", "--baud-row", "2", "--format-row", "1", "probe"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Err.find(English(text::Connected)), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.rfind(English(text::NotConnected)), run.Err.find(English(text::NotConnected)))
        << "the run ends with the Disconnect command";
    EXPECT_EQ(folder.Read("sysinfo.inf"),
              "LANG=000\r\nPORT=002\r\nLPT=001\r\nUART=003\r\nUARTBAUDI=002\r\nUARTFORMATI=001\r\nUSB=001\r\n");
    // The page cache was reset as Connect resets it.
    EXPECT_FALSE(folder.Read("p1/logo.htm").empty());
    EXPECT_FALSE(folder.Read("p1/toc.htm").empty());
}

TEST_F(CliTest, StatusTextsFollowTheSettingsFilesLanguageAndItsPortDefaults) {
    // Chinese, COM2 preselected: no --interface or --port needed beyond the device.
    folder.Write("sysinfo.inf", "LANG=001\r\nPORT=002\r\nLPT=001\r\nUART=002\r\nUARTBAUDI=001\r\nUARTFORMATI=000\r\nUSB=001\r\n");
    StartPrinter();
    const CliRun run = Run({"--folder", folder.Path(), "--device", link, "probe"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Err.find(text::Connected.Chinese), std::string::npos) << run.Err;
    EXPECT_EQ(run.Err.find(English(text::Connected)), std::string::npos);
    EXPECT_EQ(folder.Read("sysinfo.inf").substr(0, 30), "LANG=001\r\nPORT=002\r\nLPT=001\r\nU");
}

TEST_F(CliTest, GetWritesEachPageInTurnAndKeepsItInThePageCache) {
    StartPrinter();
    const CliRun run = RunCom({"get", "/status.htm", "/setgen.htm"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const size_t status = run.Out.find("<title>Halvoran P1 - Status</title>");
    ASSERT_NE(status, std::string::npos) << run.Out;
    EXPECT_GT(run.Out.find("prsgen.htm"), status) << "the pages come out in the order asked for";
    EXPECT_EQ(run.Out, folder.Read("p1/status.htm") + folder.Read("p1/setgen.htm"));
}

TEST_F(CliTest, PostSubmitsTheFormAndAFreshConnectionSeesTheChange) {
    StartPrinter();
    const CliRun post = RunCom({"post", "/prsgen.htm", "net.name=Line7&net.location=Hall&net.contact=Ops"});
    ASSERT_EQ(post.Status, 0) << post.Err;
    EXPECT_EQ(post.Out, folder.Read("p1/prsgen.htm"));
    EXPECT_NE(post.Err.find("/prsgen.htm" + English(text::PageLoaded)), std::string::npos) << post.Err;

    const CliRun get = RunCom({"get", "/setgen.htm"});
    ASSERT_EQ(get.Status, 0) << get.Err;
    EXPECT_NE(get.Out.find("value=\"Line7\""), std::string::npos) << get.Out;
}

struct SaveCase {
    const char* Command;
    const char* Page;
    const char* Extension;
};

class CliSaveTest : public CliTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(CliSaveTest, CopiesTheFreshFileAndReplacesAnExistingOneOnlyWithForce) {
    const SaveCase& c = GetParam();
    StartPrinter();
    const std::string dest = folder.Path() + "/saved";
    const std::string written = std::string("saved") + c.Extension;

    CliRun run = RunCom({c.Command, dest});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::string fetched = folder.Read(std::string("p1") + c.Page);
    ASSERT_FALSE(fetched.empty());
    EXPECT_EQ(folder.Read(written), fetched);

    folder.Write(written, "keep me");
    run = RunCom({c.Command, dest});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find(written + English(text::AlreadyExists)), std::string::npos) << run.Err;
    EXPECT_EQ(folder.Read(written), "keep me");

    run = RunCom({"--force", c.Command, dest});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(folder.Read(written), folder.Read(std::string("p1") + c.Page)) << "fetched afresh and copied";
}

INSTANTIATE_TEST_SUITE_P(Kinds, CliSaveTest,
                         ::testing::Values(SaveCase{"save-config", "/conf.cfg", ".cfg"},
                                           SaveCase{"save-report", "/report.txt", ".txt"}));

TEST_F(CliTest, UploadConfigSendsTheFileAndEndsTheLink) {
    StartPrinter({"--restart-ms", "200"});
    const std::string file = folder.Write("printer.cfg", Bytes(sim::MakeConfigFile("print.darkness=12\n")));
    const CliRun run = RunCom({"upload-config", file});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Err.find(English(text::ConfigStarts)), std::string::npos) << run.Err;
    // Not a terminal: one line per step.
    EXPECT_NE(run.Err.find(English(text::SendingProgress) + std::string("100/100\n")), std::string::npos);
    EXPECT_NE(run.Err.find(English(text::ConfigCompleted)), std::string::npos);
}

struct InvalidUploadCase {
    const char* Name;
    const char* Command;
    bool Present;  // the file exists (with a configuration file's bytes)
};

class CliInvalidUploadTest : public CliTest, public ::testing::WithParamInterface<InvalidUploadCase> {};

TEST_P(CliInvalidUploadTest, IsRefusedWithStatusFourAndTheLinkIsDisconnected) {
    const InvalidUploadCase& c = GetParam();
    StartPrinter();
    std::string file = folder.Path() + "/missing.bin";
    if (c.Present) file = folder.Write("printer.cfg", Bytes(sim::MakeConfigFile("print.darkness=12\n")));
    const CliRun run = RunCom({c.Command, file});
    EXPECT_EQ(run.Status, 4) << run.Err;
    EXPECT_NE(run.Err.rfind(English(text::NotConnected)), run.Err.find(English(text::NotConnected))) << run.Err;
}

INSTANTIATE_TEST_SUITE_P(Files, CliInvalidUploadTest,
                         ::testing::Values(InvalidUploadCase{"ConfigAsFirmware", "upload-firmware", true},
                                           InvalidUploadCase{"MissingConfig", "upload-config", false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(CliTest, CtrlCDuringAnUploadStopsItAsDisconnectDoes) {
    StartPrinter();
    const std::string file = folder.Write("printer.cfg", Bytes(sim::MakeConfigFile("print.darkness=12\n")));
    auto cli = StartCom({"upload-config", file});
    // Inside the announcement's pause, before anything is sent.
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    cli->Signal(SIGINT);
    const CliRun run = Finish(*cli);
    EXPECT_EQ(run.Status, 5) << run.Err;
    EXPECT_NE(run.Err.find(English(text::StopWhileDownloading)), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find(English(text::ConfigFailed)), std::string::npos) << run.Err;
    EXPECT_EQ(run.Err.find(English(text::SendingProgress)), std::string::npos) << "nothing was sent";
}

struct FaultCase {
    const char* Name;
    std::vector<std::string> Flags;
    int Status;
};

class CliFaultTest : public CliTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(CliFaultTest, EndsWithItsExitStatus) {
    const FaultCase& c = GetParam();
    StartPrinter(c.Flags);
    const CliRun run = RunCom({"get", "/status.htm"});
    EXPECT_EQ(run.Status, c.Status) << run.Err;
    EXPECT_TRUE(run.Out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CliFaultTest,
    ::testing::Values(FaultCase{"WrongEcho", {"--wrong-echo"}, 2},
                      // Answers the connect and the first pre-fetched page, then nothing
                      // until the record read's 10 s timeout.
                      FaultCase{"SilentPrinter", {"--silent-after", "1"}, 3},
                      FaultCase{"OversizedRecord", {"--oversized"}, 3}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(CliTest, NoPrinterBehindTheDeviceCannotConnect) {
    const CliRun run = RunCom({"probe"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find(English(text::ConnectFailed)), std::string::npos) << run.Err;
}

TEST_F(CliTest, UsageErrorsTouchNoPrinter) {
    const std::string dir = folder.Path();
    const std::vector<std::vector<std::string>> cases = {
        {"--folder", dir},                                   // no command
        {"--folder", dir, "--bogus", "probe"},               // unknown option
        {"--folder", dir, "--port", "17", "probe"},          // port out of 1..16
        {"--folder", dir, "--baud-row", "6", "probe"},       // no such row
        {"--folder", dir, "--interface", "scsi", "probe"},   // no such interface
        {"--folder", dir, "fly"},                            // unknown command
        {"--folder", dir, "post", "/prsgen.htm"},            // DATA missing
        {"--folder", dir, "get", "/../sysinfo.inf"},         // not a page path
        {"--folder", dir + "/nowhere", "probe"},             // no p1 there
    };
    for (const auto& args : cases) {
        const CliRun run = Run(args);
        EXPECT_EQ(run.Status, 1) << args.back() << ": " << run.Err;
        EXPECT_EQ(run.Err.find(English(text::Connecting)), std::string::npos) << args.back();
    }
    EXPECT_TRUE(folder.Read("sysinfo.inf").empty()) << "nothing was started";
}

TEST_F(CliTest, HelpDescribesTheCommandsAndExitStatuses) {
    const CliRun run = Run({"--help"});
    EXPECT_EQ(run.Status, 0);
    for (const char* word : {"probe", "get PAGE", "post PAGE DATA", "save-config DEST", "save-report DEST",
                             "upload-firmware FILE", "upload-config FILE", "--device PATH", "Exit status"})
        EXPECT_NE(run.Out.find(word), std::string::npos) << word;
}

}  // namespace
}  // namespace halvoran::test
