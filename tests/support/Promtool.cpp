#include "Promtool.h"

#include "ToolProcess.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

std::string CPromtool::Path()
{
    const char* path = std::getenv("PATH");
    std::string_view rest = path == nullptr ? std::string_view{} : std::string_view{path};
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::filesystem::path candidate =
            std::filesystem::path{rest.substr(0, colon)} / "promtool";
        std::error_code error;
        if (candidate.is_absolute() && std::filesystem::is_regular_file(candidate, error)) {
            return candidate.string();
        }
        rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
    }
    return {};
}

bool CPromtool::CheckMetrics(const std::string& file, std::string& output)
{
    const std::string outPath = file + ".promtool";
    CToolProcess tool;
    tool.SetInput(file);
    if (!tool.Start({Path(), "check", "metrics"}, {}, outPath, outPath)) {
        output = "promtool cannot be started";
        return false;
    }
    const auto status = tool.Wait(std::chrono::seconds{60});
    std::ifstream in{outPath, std::ios::binary};
    output.assign(std::istreambuf_iterator<char>{in}, std::istreambuf_iterator<char>{});
    std::filesystem::remove(outPath);
    return status == 0;
}
