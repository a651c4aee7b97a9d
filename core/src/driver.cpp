#include "beatwright/driver.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <numeric>
#include <stdexcept>
#include <string>

namespace beatwright {

namespace {

constexpr Updates fifty{5, 6}, sixty{1, 1};

// A row with the coordination flags of its family's stock drivers, as their SMPS2ASM emits
// them: Sonic 3's drivers have no per-track divider.
Driver rowOf(std::string name, TempoModel model, Updates pal, int family, bool shoes, std::string games) {
    if (family == 3) return {std::move(name), model, pal, family, {0xFF, 0x00}, {0xFF, 0x04}, {}, shoes, std::move(games)};
    return {std::move(name), model, pal, family, {0xEA}, {0xEB}, {0xE5}, shoes, std::move(games)};
}

// The first row of a family plays its songs by default: Sonic 3 & Knuckles' driver for
// family 3, as its disassembly and nearly every hack of it build. Built on first use: the companion's option texts ask for it while statics are made.
std::vector<Driver> table() {
    std::vector<Driver> rows{
        rowOf("sonic1", TempoModel::Timeout, fifty, 1, true, "Sonic the Hedgehog; most SMPS 68k games; SMPS Z80 Type 1"),
        rowOf("sonic2", TempoModel::CarryAdvance, sixty, 2, true, "Sonic the Hedgehog 2"),
        rowOf("sonic3k", TempoModel::CarryDelay, sixty, 3, false, "Sonic & Knuckles; Sonic 3 & Knuckles"),
        rowOf("sonic3", TempoModel::CarryDelay, {35, 36}, 3, false, "Sonic the Hedgehog 3"),
        {"clone-driver-v2", TempoModel::CarryDelay, sixty, 3, {0xFF, 0x0A}, {0xFF, 0x0B}, {0xFF, 0x05}, true,
         "Sonic 2 Clone Driver v2 (Sonic 1 and 2 hacks); a song flagged to keep PAL slowness: carry-delay@50"},
        {"flamedriver", TempoModel::CarryDelay, sixty, 3, {0xFF, 0x00}, {0xFF, 0x04}, {0xFF, 0x08}, false,
         "Flamedriver (Sonic 3 & Knuckles hacks)"},
        rowOf("sonic1-s3k-tempo", TempoModel::CarryDelay, fifty, 1, true,
              "Sonic 1 with Sonic 3 & Knuckles' tempo code (songs still smpsHeaderStartSong 1)"),
        rowOf("sonic1-pal-fix", TempoModel::Timeout, sixty, 1, true, "Sonic 1 with the PAL fix (a second update every 5th frame)"),
        rowOf("sonic2-slow-pal", TempoModel::CarryAdvance, fifty, 2, true,
              "a Sonic 2 song flagged slower on PAL (MusFlag_SlowerOnPAL)"),
    };
    for (const ModelInfo& m : models) {
        const int family = static_cast<int>(m.model) + 1;
        rows.push_back(rowOf(std::string(m.name), m.model, fifty, family, false,
                             fmt::format("other games with the {} model", m.name)));
    }
    return rows;
}

// A whole number or a fraction of whole numbers, all of the text.
std::optional<std::pair<int, int>> fractionOf(std::string_view text) {
    const auto slash = text.find('/');
    const auto whole = [](std::string_view part) -> std::optional<int> {
        int value = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || error != std::errc{} || end != part.data() + part.size() || value <= 0) return std::nullopt;
        return value;
    };
    const auto num = whole(text.substr(0, slash));
    const auto den = slash == std::string_view::npos ? std::optional(1) : whole(text.substr(slash + 1));
    if (!num || !den) return std::nullopt;
    return std::pair(*num, *den);
}

// The generic row of the model, at another PAL rate, named by its parts.
std::optional<Driver> driverByParts(std::string_view text) {
    const auto at = text.find('@');
    if (at == std::string_view::npos) return std::nullopt;
    const auto model = modelNamed(text.substr(0, at));
    const auto rate = fractionOf(text.substr(at + 1));
    if (!model || !rate) return std::nullopt;
    const auto [num, den] = *rate;
    const int common = std::gcd(num, den);
    const int n = num / common, d = den / common;
    if (n > 300 * d || d > 1000) return std::nullopt;
    Driver driver = *std::find_if(drivers().begin(), drivers().end(), [&](const Driver& r) { return r.name == infoOf(*model).name; });
    const int over60 = std::gcd(n, 60 * d);
    driver.pal = {n / over60, 60 * d / over60};
    driver.name = fmt::format("{}@{}", infoOf(*model).name, rateFraction(driver.pal));
    driver.games = fmt::format("the {} model at {} updates a second on PAL", infoOf(*model).name, rateText(driver.pal));
    return driver;
}

}  // namespace

const ModelInfo& infoOf(TempoModel model) {
    return *std::find_if(std::begin(models), std::end(models), [&](const ModelInfo& m) { return m.model == model; });
}

std::optional<TempoModel> modelNamed(std::string_view name) {
    const auto found = std::find_if(std::begin(models), std::end(models), [&](const ModelInfo& m) { return m.name == name; });
    if (found == std::end(models)) return std::nullopt;
    return found->model;
}

Advance advanceOf(TempoModel model, int secondByte) {
    const ModelInfo& info = infoOf(model);
    if (secondByte < info.minByte || secondByte > info.maxByte) {
        throw std::out_of_range("a " + std::string(info.name) + " " + std::string(info.byteName) + " is " +
                                std::to_string(info.minByte) + " to " + std::to_string(info.maxByte) + ", not " +
                                std::to_string(secondByte));
    }
    switch (model) {
    case TempoModel::Timeout:
        return {secondByte - 1, secondByte};
    case TempoModel::CarryAdvance:
        return {secondByte, 256};
    case TempoModel::CarryDelay:
        return {256 - secondByte, 256};
    }
    throw std::logic_error("unknown tempo model");
}

const std::vector<Driver>& drivers() {
    static const std::vector<Driver> rows = table();
    return rows;
}

const Driver& defaultDriver() { return drivers().front(); }

std::optional<Driver> driverNamed(std::string_view name) {
    const auto found = std::find_if(drivers().begin(), drivers().end(), [&](const Driver& d) { return d.name == name; });
    if (found == drivers().end()) return driverByParts(name);
    return *found;
}

Updates updatesOn(const Driver& driver, VideoStandard standard) {
    return standard == VideoStandard::PAL ? driver.pal : Updates{1, 1};
}

namespace {

std::pair<long, long> perSecond(Updates updates) {
    const long num = 60L * updates.num, den = updates.den;
    const long common = std::gcd(num, den);
    return {num / common, den / common};
}

}  // namespace

std::string rateText(Updates updates) {
    const auto [n, d] = perSecond(updates);
    if (d == 1) return fmt::format("{}", n);
    return n < d ? fmt::format("{}/{}", n, d) : fmt::format("{} {}/{}", n / d, n % d, d);
}

std::string rateFraction(Updates updates) {
    const auto [n, d] = perSecond(updates);
    return d == 1 ? fmt::format("{}", n) : fmt::format("{}/{}", n, d);
}

std::string flagText(const Flag& flag) {
    std::string text;
    for (const int b : flag) text += fmt::format("{}${:02X}", text.empty() ? "" : ",", b);
    return text;
}

}  // namespace beatwright
