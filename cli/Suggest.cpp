#include "cli/Suggest.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

namespace vantor::cli {

namespace {

std::string upper(std::string_view s) {
    std::string u(s);
    for (char &c : u) c = char(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

std::size_t editDistance(const std::string &a, const std::string &b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

}  // namespace

std::vector<std::string> closestDeviceNames(const std::vector<DeviceIndexEntry> &index, std::string_view name,
                                            std::size_t count) {
    const std::string query = upper(name);
    const bool wantIsp = query.find("@ISP") != std::string::npos;
    // A name that is a part of the query or holds it is close however long it is.
    const std::size_t limit = std::max<std::size_t>(2, query.size() / 2);
    std::vector<std::pair<std::size_t, std::string>> scored;
    std::set<std::string> seen;
    for (const auto &e : index) {
        const std::string deviceName(e.device_name, strnlen(e.device_name, sizeof e.device_name));
        if (!seen.insert(deviceName).second) continue;
        const std::string candidate = upper(deviceName);
        if (!wantIsp && candidate.find("@ISP") != std::string::npos) continue;
        std::size_t score = editDistance(query, candidate);
        if (query.size() >= 3 && candidate.find(query) != std::string::npos)
            score = std::min(score, 1 + (candidate.size() - query.size()) / 4);
        if (score <= limit) scored.emplace_back(score, deviceName);
    }
    std::sort(scored.begin(), scored.end());
    std::vector<std::string> names;
    for (std::size_t i = 0; i < scored.size() && names.size() < count; ++i) names.push_back(scored[i].second);
    return names;
}

std::string didYouMean(const std::vector<DeviceIndexEntry> &index, std::string_view name) {
    const auto names = closestDeviceNames(index, name);
    if (names.empty()) return {};
    std::string text = " (did you mean ";
    for (std::size_t i = 0; i < names.size(); ++i) text += (i ? ", " : "") + names[i];
    return text + "?)";
}

}  // namespace vantor::cli
