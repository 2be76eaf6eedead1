#include "download/download_worker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/texts.h"
#include "bridge/host_upload.h"
#include "bridge/panel_bridge.h"
#include "download/download_file.h"
#include "platform/files.h"
#include "support/recording_window.h"
#include "support/scripted_device.h"
#include "support/temp_folder.h"

namespace halvoran {
namespace {

using Bytes = std::vector<uint8_t>;

// One ordered record of what the worker did: texts, pauses and port calls.
class EventLog {
public:
    void Add(std::string event) {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    std::vector<std::string> Events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        events_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
};

class LogSleeper : public Sleeper {
public:
    LogSleeper(EventLog& log, VirtualTime& time) : log_(log), time_(time) {}
    void SleepMs(uint32_t ms) override {
        log_.Add("sleep " + std::to_string(ms));
        time_.Advance(ms);
        if (OnSleep) OnSleep();
    }
    std::function<void()> OnSleep;

private:
    EventLog& log_;
    VirtualTime& time_;
};

class LogWindow : public test::RecordingWindow {
public:
    LogWindow(EventLog& log, PanelBridge& bridge) : log_(log), bridge_(bridge) {}
    void SetStatusText(const std::string& text, bool isError) override {
        log_.Add((isError ? "error " : "") + text);
        RecordingWindow::SetStatusText(text, isError);
    }
    void PostToWindowThread(std::function<void()> task) override {
        log_.Add(bridge_.DownloadRunning ? "post while running" : "post");
        RecordingWindow::PostToWindowThread(std::move(task));
    }

private:
    EventLog& log_;
    PanelBridge& bridge_;
};

// A port that records the worker's calls and the bytes it writes.
class LogPort : public CIface {
public:
    LogPort(uint8_t kind, EventLog& log, PortEnv env) : CIface(kind, 10000, env), log_(log) {}
    bool Disconnect(uint8_t mode) override {
        log_.Add("Disconnect(" + std::to_string(mode) + ")");
        return true;
    }
    bool Open() override {
        log_.Add("Open");
        return !FailOpen;
    }
    bool Close() override {
        log_.Add("Close");
        return true;
    }
    bool Release() override {
        log_.Add("Release");
        return true;
    }
    bool Write(const uint8_t* data, uint32_t count) override {
        log_.Add("write " + std::to_string(count));
        WriteTimeouts.push_back(WriteTimeout);
        const int index = ++writes_;
        if (OnWrite) OnWrite(index);
        if (index == FailWrite) return false;
        Written.insert(Written.end(), data, data + count);
        return true;
    }

    bool FailOpen = false;
    int FailWrite = 0;  // 1-based write call that fails; 0 none
    std::function<void(int)> OnWrite;
    Bytes Written;
    std::vector<uint32_t> WriteTimeouts;

private:
    EventLog& log_;
    int writes_ = 0;
};

Bytes ConfigFile(size_t size) {
    const uint32_t length = static_cast<uint32_t>(size - 15);
    Bytes file(ConfigSignature.begin(), ConfigSignature.end());
    file.insert(file.end(), {0, 0, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8)});
    for (uint32_t i = 0; i < length; ++i) file.push_back(static_cast<uint8_t>(i * 13 + 1));
    file.insert(file.end(), {0x1B, 0x5C});
    return file;
}

Bytes FirmwareFile(size_t size) {
    Bytes file(size);
    for (size_t i = 0; i < size; ++i) file[i] = static_cast<uint8_t>(i * 31 + 7);
    std::copy(FirmwareSignature.begin(), FirmwareSignature.end(), file.begin());
    const char tag[] = "FLA";
    std::copy(tag, tag + 3, file.begin() + 13);
    const uint32_t n = static_cast<uint32_t>(size - 37);
    for (int i = 0; i < 4; ++i) file[33 + i] = static_cast<uint8_t>(n >> (8 * i));
    return file;
}

std::string Text(const TextPair& pair, uint8_t language) { return language ? pair.Chinese : pair.English; }

std::string Progress(int count, uint8_t language = 0) {
    return Text(text::SendingProgress, language) + std::to_string(count) + "/100";
}

// Events expected from the chunk loop of a successful send.
std::vector<std::string> ChunkEvents(size_t size, uint8_t kind, uint8_t language = 0) {
    std::vector<std::string> events;
    const size_t chunk = size / 100;
    for (int i = 1; i <= 100; ++i) {
        events.push_back("write " + std::to_string(chunk));
        events.push_back(Progress(i, language));
        if (kind != kPortUsb && size > 102400 && i % 10 == 1 && i > 1) {
            events.push_back(kind == kPortParallel ? "sleep 500" : "sleep 200");
        }
    }
    if (size % 100) events.push_back("write " + std::to_string(size % 100));
    return events;
}

std::vector<std::string> Concat(std::vector<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

class DownloadWorkerTest : public testing::Test {
protected:
    ~DownloadWorkerTest() override { SetLanguageIndex(0); }

    void UsePort(uint8_t kind) {
        port.emplace(kind, log, PortEnv{&device, &time, &sleeper, nullptr});
        bridge.Port = &*port;
    }
    void SetUp() override {
        bridge.Reset(&window, folder.Path());
        bridge.Pause = &sleeper;
        bridge.Time = &time;
        bridge.NavState = Blocked;  // as the dispatcher leaves it
        UsePort(kPortParallel);
    }
    std::string WriteUpload(const Bytes& bytes, const std::string& name = "upload.bin") {
        const std::string path = folder.Path() + "/" + name;
        EXPECT_TRUE(WriteWholeFile(path, bytes.data(), bytes.size()));
        return path;
    }
    // Runs a whole upload of the file at path and waits for the worker.
    bool Upload(uint8_t mode, const std::string& path) {
        postData = "------x\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + path +
                   "\"\r\n\r\n";
        bridge.PostData = postData.c_str();
        const bool started = StartDownload(mode, bridge);
        bridge.PostData = nullptr;
        if (bridge.DownloadThread.joinable()) bridge.DownloadThread.join();
        return started;
    }

    EventLog log;
    VirtualTime time;
    LogSleeper sleeper{log, time};
    test::ScriptedDevice device{time};
    test::TempFolder folder;
    PanelBridge bridge;
    LogWindow window{log, bridge};
    std::optional<LogPort> port;
    std::string postData;
};

TEST(FormatCountTest, DigitsWithoutLeadingZeros) {
    const std::pair<uint8_t, const char*> cases[] = {{0, "0"}, {7, "7"}, {10, "10"}, {37, "37"}, {100, "100"}, {255, "255"}};
    for (auto [n, digits] : cases) EXPECT_EQ(FormatCount(n), digits);
}

// The whole step order of a configuration upload, in both languages.
TEST_F(DownloadWorkerTest, ConfigUploadStepsInOrder) {
    for (uint8_t language : {0, 1}) {
        SCOPED_TRACE(int(language));
        SetLanguageIndex(language);
        log.Clear();
        UsePort(kPortParallel);
        const Bytes file = ConfigFile(250);
        ASSERT_TRUE(Upload(kDownloadConfig, WriteUpload(file)));
        const auto expected = Concat({
            {Text(text::ConfigStarts, language), "sleep 2000", "Disconnect(1)", "sleep 500", "Open"},
            ChunkEvents(250, kPortParallel, language),
            {Text(text::ConfigCompleted, language), "write 13", "Release", "sleep 4000", "post"},
        });
        EXPECT_EQ(log.Events(), expected);
        Bytes sent = file;
        sent.insert(sent.end(), ConfigFinishCommand.begin(), ConfigFinishCommand.end());
        EXPECT_EQ(port->Written, sent);
        EXPECT_FALSE(bridge.DownloadRunning);
        EXPECT_EQ(window.Disconnects(), language);
        EXPECT_EQ(window.RunPosted(), 1);  // OnDisconnect, on the window's thread
        EXPECT_EQ(window.Disconnects(), language + 1);
    }
}

// How the port is switched and closed for each port kind and mode.
struct SwitchCase {
    uint8_t Kind;
    uint8_t Mode;
    std::vector<std::string> Before;  // port calls before the first chunk
    const char* Closing;
};

TEST_F(DownloadWorkerTest, PortSwitchAndCloseByKind) {
    const SwitchCase cases[] = {
        {kPortSerial, kDownloadFirmware, {"Disconnect(3)"}, "Release"},
        {kPortSerial, kDownloadConfig, {"Disconnect(1)", "sleep 500", "Open"}, "Release"},
        {kPortParallel, kDownloadFirmware, {"Disconnect(1)", "sleep 500", "Open"}, "Release"},
        {kPortUsb, kDownloadFirmware, {"Disconnect(1)", "sleep 500", "Open"}, "Close"},
        {kPortUsb, kDownloadConfig, {"Disconnect(1)", "sleep 500", "Open"}, "Close"},
    };
    for (const SwitchCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.Kind) + "/" + std::to_string(c.Mode));
        log.Clear();
        UsePort(c.Kind);
        const bool firmware = c.Mode == kDownloadFirmware;
        const Bytes file = firmware ? FirmwareFile(1234) : ConfigFile(1234);
        ASSERT_TRUE(Upload(c.Mode, WriteUpload(file)));
        std::vector<std::string> tail = {Text(firmware ? text::FirmwareCompleted : text::ConfigCompleted, 0)};
        if (!firmware) tail.push_back("write 13");
        tail.insert(tail.end(), {c.Closing, "sleep 4000", "post"});
        const auto expected = Concat({{Text(firmware ? text::FirmwareStarts : text::ConfigStarts, 0), "sleep 2000"},
                                      c.Before, ChunkEvents(1234, c.Kind), tail});
        EXPECT_EQ(log.Events(), expected);
        EXPECT_TRUE(std::equal(file.begin(), file.end(), port->Written.begin()));
        for (uint32_t timeout : port->WriteTimeouts) EXPECT_EQ(timeout, c.Kind == kPortParallel ? 200000u : 10000u);
        window.RunPosted();
    }
}

// Chunk sizes, the remainder and the rests every tenth chunk.
struct PacingCase {
    uint8_t Kind;
    size_t Size;
    uint32_t RestMs;  // 0: no rests
    size_t Writes;    // chunk and remainder writes
};

TEST_F(DownloadWorkerTest, ChunksRemainderAndRests) {
    const PacingCase cases[] = {
        {kPortParallel, 65, 0, 101},         // under 100 bytes: 100 empty chunks, all in the remainder
        {kPortParallel, 300, 0, 100},        // exactly 100 x 3: no remainder write
        {kPortParallel, 102400, 0, 100},     // not above the rest limit
        {kPortParallel, 102401, 500, 101},   // nine 500 ms rests
        {kPortSerial, 102401, 200, 101},     // nine 200 ms rests
        {kPortUsb, 102401, 0, 101},          // USB never rests
    };
    for (const PacingCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.Kind) + "/" + std::to_string(c.Size));
        log.Clear();
        UsePort(c.Kind);
        // Firmware: configuration files end at 65550 bytes.
        const Bytes file = FirmwareFile(c.Size);
        ASSERT_TRUE(Upload(kDownloadFirmware, WriteUpload(file)));
        const auto events = log.Events();
        std::vector<std::string> restsAfter;  // "chunk count:sleep ms"
        int chunksSeen = 0;
        for (size_t i = 0; i < events.size(); ++i) {
            if (events[i].rfind(Text(text::SendingProgress, 0), 0) == 0) ++chunksSeen;
            if (chunksSeen && events[i].rfind("sleep ", 0) == 0 && events[i] != "sleep 4000") {
                restsAfter.push_back(std::to_string(chunksSeen) + ":" + events[i]);
            }
        }
        std::vector<std::string> expectedRests;
        for (int after = 11; c.RestMs && after <= 91; after += 10) {
            expectedRests.push_back(std::to_string(after) + ":sleep " + std::to_string(c.RestMs));
        }
        EXPECT_EQ(restsAfter, expectedRests);
        EXPECT_EQ(chunksSeen, 100);
        EXPECT_EQ(port->WriteTimeouts.size(), c.Writes);
        EXPECT_EQ(port->Written, file);
        window.RunPosted();
    }
}

TEST_F(DownloadWorkerTest, ReopenFailureEndsTheConnection) {
    port->FailOpen = true;
    ASSERT_TRUE(Upload(kDownloadConfig, WriteUpload(ConfigFile(500))));
    const std::vector<std::string> expected = {
        text::ConfigStarts.English, "sleep 2000", "Disconnect(1)", "sleep 500", "Open",
        text::CannotOpenPort.English, "sleep 2000", text::ConfigFailed.English, "Release", "sleep 4000", "post"};
    EXPECT_EQ(log.Events(), expected);
    EXPECT_TRUE(port->Written.empty());
}

// A failed write or a stop: no further chunk, no finish command, the failure text.
struct FailureCase {
    const char* Name;
    int FailWrite;    // write call that fails
    int StopAtWrite;  // write call during which the user confirms the stop
    size_t Size;
    int LastProgress;
};

TEST_F(DownloadWorkerTest, FailedWriteOrStopDuringChunks) {
    const FailureCase cases[] = {
        {"fifth chunk fails", 5, 0, 1000, 4},
        {"remainder fails", 101, 0, 1050, 100},
        {"stop during chunk 30", 0, 30, 1000, 29},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.Name);
        log.Clear();
        UsePort(kPortSerial);
        port->FailWrite = c.FailWrite;
        port->OnWrite = [&](int index) {
            if (index == c.StopAtWrite) bridge.StopDownload = 1;
        };
        ASSERT_TRUE(Upload(kDownloadFirmware, WriteUpload(FirmwareFile(c.Size))));
        const auto events = log.Events();
        const bool stopped = c.StopAtWrite != 0;
        std::vector<std::string> tail = {text::FirmwareFailed.English, "Release"};
        if (!stopped) tail.push_back("sleep 4000");
        tail.push_back("post");
        ASSERT_GE(events.size(), tail.size() + 1);
        EXPECT_EQ(std::vector<std::string>(events.end() - tail.size(), events.end()), tail);
        EXPECT_EQ(events[events.size() - tail.size() - 1], "write " + std::to_string(c.FailWrite == 101 ? 50 : 10));
        EXPECT_EQ(std::count(events.begin(), events.end(), Progress(c.LastProgress)), 1);
        EXPECT_EQ(std::count(events.begin(), events.end(), Progress(c.LastProgress + 1)), 0);
        window.RunPosted();
    }
}

TEST_F(DownloadWorkerTest, StopDuringAnnouncementSendsNothing) {
    sleeper.OnSleep = [&] { bridge.StopDownload = 1; };
    ASSERT_TRUE(Upload(kDownloadConfig, WriteUpload(ConfigFile(500))));
    const std::vector<std::string> expected = {text::ConfigStarts.English, "sleep 2000", "Disconnect(1)", "sleep 500",
                                               "Open", text::ConfigFailed.English, "Release", "post"};
    EXPECT_EQ(log.Events(), expected);
    EXPECT_TRUE(port->Written.empty());
}

// Files that are refused leave the port and the page alone.
TEST_F(DownloadWorkerTest, InvalidFileLeavesTheConnection) {
    const std::string longName = folder.Path() + "/" + std::string(kMaxDownloadPath, 'n');
    Bytes wrongLength = ConfigFile(200);
    wrongLength[11] ^= 1;
    struct Case {
        uint8_t Mode;
        std::string Path;
        const TextPair& Message;
    };
    const Case cases[] = {
        {kDownloadConfig, "", text::InvalidConfig},
        {kDownloadFirmware, folder.Path() + "/missing.bin", text::InvalidFirmware},
        {kDownloadConfig, WriteUpload(wrongLength, "length.cfg"), text::InvalidConfig},
        {kDownloadFirmware, WriteUpload(ConfigFile(200), "config.cfg"), text::InvalidFirmware},
        {kDownloadConfig, longName, text::InvalidConfig},
    };
    for (uint8_t language : {0, 1}) {
        SetLanguageIndex(language);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.Path.substr(0, 80));
            log.Clear();
            bridge.NavState = Blocked;
            ASSERT_TRUE(Upload(c.Mode, c.Path));
            const std::vector<std::string> expected = {
                Text(c.Mode == kDownloadFirmware ? text::FirmwareStarts : text::ConfigStarts, language), "sleep 2000",
                Text(c.Message, language), "sleep 2000"};
            EXPECT_EQ(log.Events(), expected);
            EXPECT_EQ(bridge.NavState, Idle);
            EXPECT_FALSE(bridge.DownloadRunning);
            EXPECT_EQ(window.RunPosted(), 0);
        }
    }
}

TEST_F(DownloadWorkerTest, LongNameIsKeptWholeNotCut) {
    // A real file at the first 260 characters must not be loaded in its place.
    const std::string folderName = std::string(200, 'a');
    const std::string longer = folder.Path() + "/" + folderName + "/" + std::string(100, 'b');
    ASSERT_TRUE(std::filesystem::create_directory(folder.Path() + "/" + folderName));
    const Bytes file = ConfigFile(100);
    const std::string cut = longer.substr(0, kMaxDownloadPath);
    ASSERT_TRUE(WriteWholeFile(cut, file.data(), file.size()));
    ASSERT_TRUE(Upload(kDownloadConfig, longer));
    EXPECT_EQ(bridge.DownloadFileName, longer);
    EXPECT_EQ(log.Events().at(2), text::InvalidConfig.English);
}

TEST_F(DownloadWorkerTest, HostUploadFileIsRemovedWhateverTheOutcome) {
    UploadStore store;
    ASSERT_TRUE(store.Open());
    for (const Bytes& content : {ConfigFile(300), Bytes{1, 2, 3}}) {
        UploadFile upload = store.Create();
        ASSERT_TRUE(upload.IsOpen());
        ASSERT_TRUE(upload.Write(reinterpret_cast<const char*>(content.data()), content.size()));
        ASSERT_TRUE(upload.Close());
        ASSERT_TRUE(FileExists(upload.Path()));
        ASSERT_TRUE(Upload(kDownloadConfig, upload.Path()));
        EXPECT_FALSE(FileExists(upload.Path()));
        window.RunPosted();
    }
    // A file the host did not create is never removed.
    const std::string own = WriteUpload(ConfigFile(300));
    ASSERT_TRUE(Upload(kDownloadConfig, own));
    EXPECT_TRUE(FileExists(own));
}

// The file name in the form data.
struct FormCase {
    const char* Name;
    const char* Form;  // nullptr: no PostData
    uint8_t Mode;
    bool Starts;
    const char* FileName;
};

TEST_F(DownloadWorkerTest, FileNameFromFormData) {
    const FormCase cases[] = {
        {"no post data", nullptr, 2, false, ""},
        {"no filename", "name=\"file\"\r\n", 2, false, ""},
        {"no closing quote", "filename=\"/tmp/a.cfg\r\n", 2, false, ""},
        {"key at the end", "name=\"x\"; filename=", 2, false, ""},
        {"no opening quote", "filename=/tmp/a.cfg\"", 2, false, ""},
        {"other mode", "filename=\"/tmp/a.cfg\"", 3, false, ""},
        {"empty name", "name=\"file\"; filename=\"\"\r\n", 2, true, ""},
        {"first occurrence", "filename=\"/tmp/a b.cfg\"; filename=\"/tmp/c.cfg\"", 1, true, "/tmp/a b.cfg"},
    };
    for (const FormCase& c : cases) {
        SCOPED_TRACE(c.Name);
        bridge.DownloadFileName.clear();
        bridge.PostData = c.Form;
        EXPECT_EQ(StartDownload(c.Mode, bridge), c.Starts);
        bridge.PostData = nullptr;
        if (bridge.DownloadThread.joinable()) bridge.DownloadThread.join();
        EXPECT_EQ(bridge.DownloadFileName, c.FileName);
        if (c.Starts) {
            EXPECT_EQ(bridge.DownloadMode, c.Mode);
        }
        EXPECT_FALSE(bridge.DownloadRunning);
    }
}

TEST_F(DownloadWorkerTest, SecondUploadIsRefusedWhileOneRuns) {
    bridge.DownloadRunning = true;
    bridge.DownloadFileName = "/tmp/running.cfg";
    bridge.PostData = "filename=\"/tmp/other.cfg\"";
    EXPECT_FALSE(StartDownload(kDownloadConfig, bridge));
    EXPECT_EQ(bridge.DownloadFileName, "/tmp/running.cfg");
    bridge.DownloadRunning = false;
}

}  // namespace
}  // namespace halvoran
