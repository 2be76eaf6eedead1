// A spooler double: a list of printers with their port texts, some of which
// the user may not change or whose change fails.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/spooler.h"

namespace halvoran::test {

class FakeSpooler : public Spooler {
public:
    void Add(const std::string& name, const std::string& port) {
        order_.push_back(name);
        ports_[name] = port;
    }
    std::string Port(const std::string& name) const { return ports_.at(name); }

    std::optional<std::vector<std::string>> ListLocalPrinters() override {
        if (FailList) return std::nullopt;
        return order_;
    }
    std::optional<std::string> PrinterPort(const std::string& printer) override {
        if (Unreadable.count(printer)) return std::nullopt;
        return ports_.at(printer);
    }
    PortChange SetPrinterPort(const std::string& printer, const std::string& port) override {
        Changes.push_back(printer + "=" + port);
        if (Denied.count(printer)) return PortChange::Denied;
        if (Failing.count(printer)) return PortChange::Failed;
        ports_[printer] = port;
        return PortChange::Done;
    }

    std::set<std::string> Denied, Failing, Unreadable;
    std::vector<std::string> Changes;
    bool FailList = false;

private:
    std::vector<std::string> order_;
    std::map<std::string, std::string> ports_;
};

}  // namespace halvoran::test
