// A bridge connected to a scripted printer in a private program folder, with
// virtual time for the bridge's own waits. The restart monitor is held at its
// first wait until the test lets it go.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/texts.h"
#include "bridge/page_path.h"
#include "bridge/panel_bridge.h"
#include "link/frames.h"
#include "support/recording_window.h"
#include "support/scripted_device.h"
#include "support/stepped_sleeper.h"
#include "support/stream_port.h"
#include "support/temp_folder.h"

namespace halvoran::test {

inline const std::string kResetText = "This change requires a reset of the printer, please wait ";
inline const std::string kCommError = "Communication error, check the connection and restart the config tool! ";

// The printer's answer to the connect command.
inline Bytes ConnectEcho() {
    const ModeCommand command = MakeModeCommand(kModeConnect);
    return MakeRecord(Bytes(command.begin(), command.end()));
}

// The request line of a request frame, such as "GET /cfgs.htm HTTP/1.1".
inline std::string RequestLine(const Bytes& frame) {
    constexpr size_t kTextStart = 12;
    if (frame.size() <= kTextStart) return {};
    const std::string text(frame.begin() + kTextStart, frame.end());
    return text.substr(0, text.find("\r\n"));
}

class BridgeFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SetLanguageIndex(0);
        bridge->Reset(&window, folder.Path());
        bridge->Time = &time;
        bridge->Pause = &pause;
        ASSERT_TRUE(port.Open());
        bridge->Port = &port;
    }
    void TearDown() override { EndMonitor(); }

    // Stops a running restart monitor at its next wait and waits for its thread.
    void EndMonitor() {
        bridge->StopRestart = 1;
        pause.Release();
        if (bridge->RestartThread.joinable()) bridge->RestartThread.join();
    }

    std::string Local(const std::string& page) const { return LocalPagePath(folder.Path(), page); }
    void Cache(const std::string& page, const std::string& content) const { folder.Write("p1" + page, content); }
    std::vector<std::string> RequestLines() const {
        std::vector<std::string> lines;
        for (const Bytes& frame : device.Writes()) lines.push_back(RequestLine(frame));
        return lines;
    }

    TempFolder folder;
    RecordingWindow window;
    VirtualTime time;
    SteppedSleeper pause{time, true};
    ScriptedDevice device{time};
    StreamPort port{PortEnv{&device, &time, &time, nullptr}};
    // Declared last: destroyed, and its monitor thread joined, first.
    std::unique_ptr<PanelBridge> bridge = std::make_unique<PanelBridge>();
};

}  // namespace halvoran::test
