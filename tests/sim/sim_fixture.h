// A config-tool side for the simulator tests: the link codecs of the core
// (StreamPort, BuildRequest, ResponseRecord reads) over a SimDevice in
// virtual time.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bridge/panel_bridge.h"
#include "bridge/request_builder.h"
#include "sim_device.h"
#include "upload_envelope.h"
#include "support/stream_port.h"

namespace halvoran::sim::test {

struct Reply {
    std::string Payload;
    bool Marker = false;
};

class SimLinkTest : public ::testing::Test {
protected:
    // Builds the device; call again in a test to change the options.
    void Start(SimOptions options = {}) {
        options.Log = [this](const std::string& line) { log.push_back(line); };
        port.reset();
        device = std::make_unique<SimDevice>(time, time, std::move(options));
        port = std::make_unique<halvoran::test::StreamPort>(PortEnv{device.get(), &time, &time, nullptr});
        port->Configure(1, 10000, 10000);
    }
    void SetUp() override { Start(); }

    PrinterSim& Printer() { return device->Printer(); }

    bool Connect() {
        if (port->IsOpen()) port->Close();
        return port->Connect();
    }

    std::optional<Reply> Send(uint8_t kind, const std::string& path, const std::string& form = {},
                              uint32_t capacity = kPageBufferSize) {
        if (!BuildRequest(path, kind, *bridge, form, static_cast<int32_t>(form.size()))) return std::nullopt;
        if (!port->Write(bridge->RequestBuffer, bridge->RequestLength)) return std::nullopt;
        std::vector<uint8_t> buffer(capacity);
        uint32_t length = capacity;
        if (!port->ReadRecord(buffer.data(), length)) return std::nullopt;
        return Reply{std::string(buffer.begin(), buffer.begin() + length), port->RecordMarker != 0};
    }
    std::optional<Reply> Get(const std::string& path) { return Send(kRequestGet, path); }
    std::optional<Reply> Post(const std::string& path, const std::string& form) {
        return Send(kRequestPost, path, form);
    }

    // Leaves web panel mode the way the upload worker does, reopens, and sends raw bytes.
    void Upload(const std::vector<uint8_t>& file, bool finishCommand = false) {
        port->Disconnect(1);
        ASSERT_TRUE(port->Open());
        ASSERT_TRUE(port->Write(file.data(), static_cast<uint32_t>(file.size())));
        if (finishCommand) {
            ASSERT_TRUE(port->Write(kConfigFinishCommand.data(), static_cast<uint32_t>(kConfigFinishCommand.size())));
        }
    }

    // Lets virtual time pass.
    void Wait(uint32_t ms) {
        time.Advance(ms);
        device->Printer().Tick();
    }

    bool Logged(const std::string& part) const {
        for (const std::string& line : log)
            if (line.find(part) != std::string::npos) return true;
        return false;
    }

    VirtualTime time;
    std::vector<std::string> log;
    std::unique_ptr<SimDevice> device;
    std::unique_ptr<halvoran::test::StreamPort> port;
    std::unique_ptr<PanelBridge> bridge = std::make_unique<PanelBridge>();
};

}  // namespace halvoran::sim::test
