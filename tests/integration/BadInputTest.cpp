// Every export against what a careless host sends: null pointers, empty and huge strings,
// ports and ranges out of bounds, and calls in the wrong order. Each row names the answer;
// nothing may crash, hang or throw.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DriverFixture.h"

namespace {

using namespace std::chrono_literals;

enum class Phase {
    BeforeInitialize,
    Started,         // mono camera open on port 0, outside any callback
    InsideCallback,  // in the host's completion callback of port 0
    WrongOrder,      // state-changing rows, run in order
    AfterFinalize,
};

struct Row {
    Phase phase;
    const char* what;
    std::function<int()> call;
    int expected;
};

const std::string kHuge(100000, 'x');
int value = 0;
int low = 0;
int high = 0;
char reply[256];
uint8_t rowBuffer[1280 * 3 + 64];
OrnicImageSize size{};

void ORNIC_CALL Ignore(int /*grabber*/, int /*port*/) {}

std::vector<Row> Rows()
{
    DriverLibrary& d = DriverLibrary::Get();
    const char* huge = kHuge.c_str();
    std::vector<Row> rows = {
        {Phase::BeforeInitialize, "open", [&] { return d.openCVLPort(0, 0, kMonoName, &size); }, 0},
        {Phase::BeforeInitialize, "close", [&] { return d.closeCVLPort(0, 0); }, 0},
        {Phase::BeforeInitialize, "grab", [&] { return d.doCVLGrab(0, 0); }, 0},
        {Phase::BeforeInitialize, "row", [&] { return d.getCVLGrabRow(0, 0, rowBuffer, 0, 0, 1); }, 0},
        {Phase::BeforeInitialize, "callback", [&] { return d.setCompleteCallback(0, 0, &Ignore); }, 0},
        {Phase::BeforeInitialize, "command callback", [&] { return d.setCmdCallback(0, 0, nullptr); }, 0},
        {Phase::BeforeInitialize, "configure", [&] { return d.configureCamera(nullptr, kMonoName); }, 0},
        {Phase::BeforeInitialize, "get", [&] { return d.getProperty(0, 0, "Width", &value); }, 0},
        {Phase::BeforeInitialize, "set", [&] { return d.setProperty(0, 0, "Width", 640); }, 0},
        {Phase::BeforeInitialize, "range", [&] { return d.getPropertyRange(0, 0, "Width", &low, &high); }, 0},
        {Phase::BeforeInitialize, "exec", [&] { return d.execCmd(0, 0, "get", "Width", reply, 256); }, 0},
        {Phase::BeforeInitialize, "camera count", [&] { return d.getCVLNoOfSupportedCameras(); }, 0},
        {Phase::BeforeInitialize, "names are null", [&] { return d.getCVLCameraConfigNames() == nullptr; }, 1},
        {Phase::BeforeInitialize, "grabbers", [&] { return d.getCVLMaxNoOfGrabbers(); }, 1},
        {Phase::BeforeInitialize, "ports", [&] { return d.getCVLMaxNoOfPorts(); }, 20},
        {Phase::BeforeInitialize, "null system path", [&] { return d.setSystemPath(nullptr); }, 0},
        {Phase::BeforeInitialize, "empty system path", [&] { return d.setSystemPath(""); }, 0},

        {Phase::Started, "null system path", [&] { return d.setSystemPath(nullptr); }, 0},
        {Phase::Started, "open null name", [&] { return d.openCVLPort(0, 1, nullptr, &size); }, 0},
        {Phase::Started, "open empty name", [&] { return d.openCVLPort(0, 1, "", &size); }, 0},
        {Phase::Started, "open huge name", [&] { return d.openCVLPort(0, 1, huge, &size); }, 0},
        {Phase::Started, "open null size", [&] { return d.openCVLPort(0, 1, kColourName, nullptr); }, 0},
        {Phase::Started, "configure null name", [&] { return d.configureCamera(nullptr, nullptr); }, 0},
        {Phase::Started, "configure unknown name", [&] { return d.configureCamera(nullptr, "No Such Camera"); }, 0},
        {Phase::Started, "row outside the callback", [&] { return d.getCVLGrabRow(0, 0, rowBuffer, 0, 0, 1279); }, 0},
        {Phase::Started, "get null name", [&] { return d.getProperty(0, 0, nullptr, &value); }, 0},
        {Phase::Started, "get null value", [&] { return d.getProperty(0, 0, "Width", nullptr); }, 0},
        {Phase::Started, "get empty name", [&] { return d.getProperty(0, 0, "", &value); }, 0},
        {Phase::Started, "get huge name", [&] { return d.getProperty(0, 0, huge, &value); }, 0},
        {Phase::Started, "set null name", [&] { return d.setProperty(0, 0, nullptr, 1); }, 0},
        {Phase::Started, "set huge name", [&] { return d.setProperty(0, 0, huge, 1); }, 0},
        {Phase::Started, "range null name", [&] { return d.getPropertyRange(0, 0, nullptr, &low, &high); }, 0},
        {Phase::Started, "range null minimum", [&] { return d.getPropertyRange(0, 0, "Width", nullptr, &high); }, 0},
        {Phase::Started, "range null maximum", [&] { return d.getPropertyRange(0, 0, "Width", &low, nullptr); }, 0},
        {Phase::Started, "exec null command", [&] { return d.execCmd(0, 0, nullptr, "Width", reply, 256); }, 0},
        {Phase::Started, "exec null parameter", [&] { return d.execCmd(0, 0, "get", nullptr, reply, 256); }, 0},
        {Phase::Started, "exec huge command", [&] { return d.execCmd(0, 0, huge, "Width", reply, 256); }, 0},
        {Phase::Started, "exec huge parameter", [&] { return d.execCmd(0, 0, "get", huge, reply, 256); }, 0},
        {Phase::Started, "exec empty both", [&] { return d.execCmd(0, 0, "", "", reply, 256); }, 0},
        // No reply buffer or a negative size: answered, nothing written.
        {Phase::Started, "exec null reply", [&] { return d.execCmd(0, 0, "get", "Width", nullptr, 256); }, 1},
        {Phase::Started, "exec negative reply size", [&] { return d.execCmd(0, 0, "get", "Width", reply, -5); }, 1},
        // The grabber argument is never read: one grabber.
        {Phase::Started, "grab with grabber 7", [&] { return d.doCVLGrab(7, 0); }, 1},
        {Phase::Started, "get with grabber -1", [&] { return d.getProperty(-1, 0, "Width", &value); }, 1},
        {Phase::Started, "one camera, second port", [&] { return d.openCVLPort(0, 1, kMonoName, &size); }, 0},
        {Phase::Started, "one camera, same port", [&] { return d.openCVLPort(0, 0, kMonoName, &size); }, 1},

        {Phase::InsideCallback, "whole row", [&] { return d.getCVLGrabRow(0, 0, rowBuffer, 0, 0, 1279); }, 1},
        {Phase::InsideCallback, "null destination", [&] { return d.getCVLGrabRow(0, 0, nullptr, 0, 0, 1279); }, 0},
        {Phase::InsideCallback, "reversed columns", [&] { return d.getCVLGrabRow(0, 0, rowBuffer, 0, 5, 4); }, 0},
        {Phase::InsideCallback, "negative column", [&] { return d.getCVLGrabRow(0, 0, rowBuffer, 0, -1, 3); }, 0},
        {Phase::InsideCallback, "column past width", [&] { return d.getCVLGrabRow(0, 0, rowBuffer, 0, 0, 1280); }, 0},
        {Phase::InsideCallback, "huge column", [&] { return d.getCVLGrabRow(0, 0, rowBuffer, 0, 0, INT_MAX); }, 0},
        {Phase::InsideCallback, "INT_MIN columns",
         [&] { return d.getCVLGrabRow(0, 0, rowBuffer, 0, INT_MIN, INT_MIN); }, 0},
        {Phase::InsideCallback, "negative row", [&] { return d.getCVLGrabRow(0, 0, rowBuffer, -1, 0, 1); }, 0},
        {Phase::InsideCallback, "huge row", [&] { return d.getCVLGrabRow(0, 0, rowBuffer, INT_MAX, 0, 1); }, 0},
        {Phase::InsideCallback, "other port", [&] { return d.getCVLGrabRow(0, 1, rowBuffer, 0, 0, 1); }, 0},
        {Phase::InsideCallback, "finalize", [&] { return d.finalize(); }, 0},

        {Phase::WrongOrder, "second camera on an occupied port",
         [&] { return d.openCVLPort(0, 0, kColourName, &size); }, 1},
        {Phase::WrongOrder, "close", [&] { return d.closeCVLPort(0, 0); }, 1},
        {Phase::WrongOrder, "double close", [&] { return d.closeCVLPort(0, 0); }, 0},
        {Phase::WrongOrder, "grab on a closed port", [&] { return d.doCVLGrab(0, 0); }, 0},
        {Phase::WrongOrder, "property on a closed port", [&] { return d.getProperty(0, 0, "Width", &value); }, 0},

        {Phase::AfterFinalize, "open", [&] { return d.openCVLPort(0, 0, kMonoName, &size); }, 0},
        {Phase::AfterFinalize, "close", [&] { return d.closeCVLPort(0, 0); }, 0},
        {Phase::AfterFinalize, "grab", [&] { return d.doCVLGrab(0, 0); }, 0},
        {Phase::AfterFinalize, "get", [&] { return d.getProperty(0, 0, "Width", &value); }, 0},
        {Phase::AfterFinalize, "exec", [&] { return d.execCmd(0, 0, "get", "Width", reply, 256); }, 0},
        {Phase::AfterFinalize, "configure", [&] { return d.configureCamera(nullptr, kMonoName); }, 0},
        {Phase::AfterFinalize, "camera count", [&] { return d.getCVLNoOfSupportedCameras(); }, 0},
        {Phase::AfterFinalize, "names are null", [&] { return d.getCVLCameraConfigNames() == nullptr; }, 1},
    };
    // Ports no host may use, on every export that takes one.
    for (const int port : {-1, 20, INT_MIN, INT_MAX}) {
        auto add = [&rows](const char* what, std::function<int()> call) {
            rows.push_back(Row{Phase::Started, what, std::move(call), 0});
        };
        add("open bad port", [&d, port] { return d.openCVLPort(0, port, kColourName, &size); });
        add("close bad port", [&d, port] { return d.closeCVLPort(0, port); });
        add("grab bad port", [&d, port] { return d.doCVLGrab(0, port); });
        add("row bad port", [&d, port] { return d.getCVLGrabRow(0, port, rowBuffer, 0, 0, 1); });
        add("callback bad port", [&d, port] { return d.setCompleteCallback(0, port, &Ignore); });
        add("command callback bad port", [&d, port] { return d.setCmdCallback(0, port, nullptr); });
        add("get bad port", [&d, port] { return d.getProperty(0, port, "Width", &value); });
        add("set bad port", [&d, port] { return d.setProperty(0, port, "Width", 640); });
        add("range bad port", [&d, port] { return d.getPropertyRange(0, port, "Width", &low, &high); });
        add("exec bad port", [&d, port] { return d.execCmd(0, port, "get", "Width", reply, 256); });
    }
    return rows;
}

std::mutex failuresLock;
std::vector<std::string> failures;
std::atomic<bool> callbackRan{false};
std::atomic<bool> callbackDone{false};

void RunPhase(Phase phase)
{
    int index = 0;
    for (const Row& row : Rows()) {
        ++index;
        if (row.phase != phase) continue;
        const int got = row.call();
        if (got != row.expected) {
            std::lock_guard<std::mutex> lock(failuresLock);
            failures.push_back("row " + std::to_string(index) + " (" + row.what + "): got " + std::to_string(got) +
                               ", expected " + std::to_string(row.expected));
        }
    }
}

void ORNIC_CALL RunInsideRows(int /*grabber*/, int /*port*/)
{
    bool expected = false;
    if (!callbackRan.compare_exchange_strong(expected, true)) return;
    RunPhase(Phase::InsideCallback);
    callbackDone.store(true);
}

class BadInputTest : public DriverFixture {};

TEST_F(BadInputTest, EveryExportRefusesWhatACarelessHostSends)
{
    RunPhase(Phase::BeforeInitialize);
    Start();
    ASSERT_TRUE(Open(0, kMonoName, &RunInsideRows));
    RunPhase(Phase::Started);
    ASSERT_EQ(d.doCVLGrab(0, 0), 1);
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (!callbackDone.load() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(callbackDone.load());
    RunPhase(Phase::WrongOrder);
    openedPorts.clear();
    ASSERT_EQ(d.finalize(), 1);
    started = false;
    RunPhase(Phase::AfterFinalize);
    std::lock_guard<std::mutex> lock(failuresLock);
    for (const std::string& failure : failures) ADD_FAILURE() << failure;
    RecordProperty("rows", static_cast<int>(Rows().size()));
}

}  // namespace
