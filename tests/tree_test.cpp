// The house's rules, read from the source tree: what a review would otherwise have to catch
// by eye each time a room grows.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSource = PELMORA_SOURCE;

struct SourceFile {
    std::string path; // from the project's root, with forward slashes
    std::string text;
};

bool Skipped(const std::string& top) {
    return top.empty() || top[0] == '.' || top.rfind("build", 0) == 0 || top == "tests" ||
           top == "examples" || top == "packaging" || top == "docs" || top == "web" ||
           top == "bench";
}

// Every C++ file of the product (not its tests or build folders).
const std::vector<SourceFile>& ProductFiles() {
    static const std::vector<SourceFile> files = [] {
        std::vector<SourceFile> found;
        for (const fs::directory_entry& top : fs::directory_iterator(kSource)) {
            if (!top.is_directory() || Skipped(top.path().filename().string())) {
                continue;
            }
            for (const fs::directory_entry& entry : fs::recursive_directory_iterator(top)) {
                const std::string extension = entry.path().extension().string();
                if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) {
                    continue;
                }
                std::ifstream in(entry.path(), std::ios::binary);
                std::ostringstream text;
                text << in.rdbuf();
                found.push_back({fs::relative(entry.path(), kSource).generic_string(), text.str()});
            }
        }
        return found;
    }();
    return files;
}

std::string RoomOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

bool In(const std::string& path, const std::string& folder) {
    return path.rfind(folder, 0) == 0;
}

// Whether line holds the pieces one after another, with nothing but spaces between them.
bool Holds(std::string_view line, std::initializer_list<std::string_view> pieces) {
    const std::string_view first = *pieces.begin();
    for (std::size_t at = line.find(first); at != std::string_view::npos;
         at = line.find(first, at + 1)) {
        std::size_t next = at + first.size();
        bool all = true;
        for (auto piece = pieces.begin() + 1; piece != pieces.end() && all; ++piece) {
            while (next < line.size() && line[next] == ' ') {
                ++next;
            }
            all = line.substr(next, piece->size()) == *piece;
            next += piece->size();
        }
        if (all) {
            return true;
        }
    }
    return false;
}

// Whether line compares a string to one of names with == or !=, on either side.
bool ComparesName(std::string_view line, std::initializer_list<std::string_view> names) {
    for (const std::string_view name : names) {
        const std::string quoted = "\"" + std::string(name) + "\"";
        if (Holds(line, {"==", quoted}) || Holds(line, {"!=", quoted}) ||
            Holds(line, {quoted, "=="}) || Holds(line, {quoted, "!="})) {
            return true;
        }
    }
    return false;
}

// "file: line: text" for every line that matches, of the files whose path starts with one of
// within (every file when within is empty) and with none of besides.
template <typename LineTest>
std::vector<std::string> Matches(const LineTest& matches,
                                 const std::vector<std::string>& within = {},
                                 const std::vector<std::string>& besides = {}) {
    const auto any = [](const std::string& path, const std::vector<std::string>& folders) {
        return std::any_of(folders.begin(), folders.end(),
                           [&](const std::string& folder) { return In(path, folder); });
    };
    std::vector<std::string> found;
    for (const SourceFile& file : ProductFiles()) {
        if ((!within.empty() && !any(file.path, within)) || any(file.path, besides)) {
            continue;
        }
        std::istringstream lines(file.text);
        std::string line;
        for (int number = 1; std::getline(lines, line); ++number) {
            if (matches(std::string_view(line))) {
                found.push_back(file.path + ":" + std::to_string(number) + ": " + line);
            }
        }
    }
    return found;
}

std::string Listed(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

TEST(Tree, NoTwoRoomsShareALastName) {
    std::map<std::string, std::set<std::string>> rooms;
    for (const SourceFile& file : ProductFiles()) {
        const std::string room = RoomOf(file.path);
        rooms[room.substr(room.rfind('/') + 1)].insert(room);
    }
    for (const auto& [name, holders] : rooms) {
        EXPECT_EQ(holders.size(), 1u) << name << " names " << holders.size() << " rooms";
    }
    EXPECT_GT(rooms.size(), 15u);
}

TEST(Tree, TheCoreIsPlainAndItsRoomsIncludeNoCircle) {
    std::map<std::string, std::set<std::string>> uses;
    for (const SourceFile& file : ProductFiles()) {
        if (!In(file.path, "core/")) {
            continue;
        }
        const std::string room = RoomOf(file.path);
        std::istringstream lines(file.text);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.rfind("#include ", 0) != 0 || line.size() < 11) {
                continue;
            }
            const bool quoted = line[9] == '"';
            const std::string target = line.substr(10, line.find_first_of(">\"", 10) - 10);
            EXPECT_FALSE(target.rfind("Q", 0) == 0 || target.rfind("qt", 0) == 0)
                << file.path << " includes " << target;
            EXPECT_TRUE(!quoted || In(target, "core/"))
                << file.path << " includes " << target << " from outside the core";
            if (In(target, "core/") && RoomOf(target) != room) {
                uses[room].insert(RoomOf(target));
            }
        }
    }
    // Depth-first: a room met again while it is still being walked closes a circle.
    std::map<std::string, int> state; // 1 being walked, 2 done
    std::vector<std::string> path;
    std::function<void(const std::string&)> walk = [&](const std::string& room) {
        state[room] = 1;
        path.push_back(room);
        for (const std::string& next : uses[room]) {
            if (state[next] == 1) {
                std::string circle;
                for (const std::string& step : path) {
                    circle += step + " -> ";
                }
                ADD_FAILURE() << "the rooms include in a circle: " << circle << next;
            } else if (state[next] == 0) {
                walk(next);
            }
        }
        path.pop_back();
        state[room] = 2;
    };
    for (const auto& [room, used] : uses) {
        if (state[room] == 0) {
            walk(room);
        }
    }
}

TEST(Tree, NoSyntaxOrFontFormatIsToldByItsNameOutsideItsRoom) {
    const auto syntax = [](std::string_view line) {
        return ComparesName(line,
                            {"db", "asm", "gas", "c", "arduino", "xbm", "xbmp", "bin", "ihex"});
    };
    EXPECT_EQ(Listed(Matches(syntax, {}, {"core/syntax/"})), "");
    const auto format = [](std::string_view line) {
        return ComparesName(line, {"gfx", "gfxfont", "u8g2", "table"});
    };
    EXPECT_EQ(Listed(Matches(format, {}, {"core/font/font_file"})), "");
}

TEST(Tree, OneWriterSaysWhereCDataGoes) {
    const std::vector<std::string> preamble =
        Matches([](std::string_view line) { return Holds(line, {"\"#ifndef PROGMEM\\n"}); });
    EXPECT_EQ(preamble.size(), 1u) << Listed(preamble);
    const std::vector<std::string> guards = Matches([](std::string_view line) {
        return Holds(line, {"\"#ifndef \"", "+"});
    });
    EXPECT_EQ(guards.size(), 1u) << Listed(guards);
}

TEST(Tree, TheManifestIsReadByKeysAndPreparedDotsGoStraightToTheEncoder) {
    // A key is never made into a command-line option to be parsed again.
    const auto dashes = [](std::string_view line) {
        return Holds(line, {"\"--\"", "+"});
    };
    EXPECT_EQ(Listed(Matches(dashes, {"core/asset", "cli/build", "asset_making/"})), "");
    // Only prepare, the window's Save and show's picture of a text write a BMP.
    const auto bmp = [](std::string_view line) {
        return Holds(line, {"EncodeMonoBmp("}) || Holds(line, {"EncodeIndexedBmp("});
    };
    EXPECT_EQ(Listed(Matches(
                  bmp, {},
                  {"core/bmp/", "cli/prepare_command", "cli/show_command", "ui/prepare_window"})),
              "");
}

} // namespace
