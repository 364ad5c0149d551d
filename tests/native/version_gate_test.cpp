#include "update/version_gate.h"

#include <gtest/gtest.h>

#include "program_ports_fake.h"

namespace ports_test {
namespace {

using Lines = std::vector<std::string>;

const std::string version_url = "http://catalogue.test:8/2.txt";
const Lines compared = {"fetch " + version_url, "caption 标签9", "read 标签9", "read 标签8"};

Lines with_close()
{
    Lines lines = compared;
    lines.push_back("prompt 软件已有最新版本，请立即更新，软件不可用！ / 请配合更新软件");
    lines.push_back("open download page");
    lines.push_back("destroy main window");
    return lines;
}

// With the local version "0.1": which remote texts close the program.
TEST(VersionGate, ClosesOnlyWhenTheRemoteTextSortsAfterTheLocalOne)
{
    const struct {
        std::string remote;
        bool closes;
    } cases[] = {
        {"0.1", false},     {"0.2", true},        {"0.9", true},      {"1", true},
        {"1.0", true},      {"0.10", true},       {"0.1\r\n", true},  {"0.2\r\n", true},
        {"0.09", false},    {"0", false},         {"0.", false},      {" 0.2", false},
        {"", false},        {"\xEF\xBB\xBF" "0.1", true},             {"<html><body>404</body></html>", true},
        {"最新版", true},
    };
    for (const auto& c : cases) {
        FakePorts ports;
        ports.bodies[version_url] = c.remote;
        update::version_gate(ports);
        EXPECT_EQ(ports.log, c.closes ? with_close() : compared) << c.remote;
        EXPECT_EQ(ports.controls["标签9"], c.remote);  // shown whatever the outcome
    }
}

TEST(VersionGate, FailedFetchPassesWithAnEmptyLabel)
{
    FakePorts ports;  // no body: the fetch gives the empty text
    ports.controls["标签9"] = "stale";
    update::version_gate(ports);
    EXPECT_EQ(ports.log, compared);
    EXPECT_EQ(ports.controls["标签9"], "");
}

TEST(VersionGate, ComparesWithTheLocalVersionTheLabelHolds)
{
    FakePorts ports;
    ports.controls["标签8"] = "0.3";
    ports.bodies[version_url] = "0.2";
    update::version_gate(ports);
    EXPECT_EQ(ports.log, compared);
}

}  // namespace
}  // namespace ports_test
