#include "package_generator.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

namespace hlw::test {
namespace {

namespace fs = std::filesystem;

// Every file below the folder with its bytes, by relative path.
std::map<std::string, std::string> lf_tree(const fs::path& root)
{
    std::map<std::string, std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), root).string()] = readWholeFile(entry.path());
        }
    }
    return files;
}

std::size_t lf_count(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(PackageGenerator, ProfilesAreDeterministic)
{
    for (const std::vector<std::string>& run : {std::vector<std::string>{"min"},
                                                std::vector<std::string>{"bench", "--packages", "2", "--models", "3"},
                                                std::vector<std::string>{"sample"}}) {
        // The same short root for both runs, since the deep files depend on the root's length.
        TempDir dir;
        const std::vector<std::string> arguments(run.begin() + 1, run.end());
        generatePackages(run.front(), dir / "p", arguments);
        const auto first = lf_tree(dir / "p");
        fs::remove_all(dir / "p");
        generatePackages(run.front(), dir / "p", arguments);
        EXPECT_EQ(lf_tree(dir / "p"), first) << run.front();
        EXPECT_FALSE(first.empty());
    }
}

TEST(PackageGenerator, MinManifestNamesEveryFileAndItsRule)
{
    TempDir dir;
    generatePackages("min", dir / "p");
    const nlohmann::json manifest = readManifest(dir / "p");
    ASSERT_GT(manifest["files"].size(), 40u);
    for (const nlohmann::json& file : manifest["files"]) {
        const std::string path = file["path"];
        EXPECT_TRUE(fs::is_regular_file(dir / "p" / path)) << path;
        EXPECT_FALSE(file["rule"].get<std::string>().empty()) << path;
    }
    for (const auto& [detector, folder] : manifest["detected"].items()) {
        EXPECT_TRUE(fs::is_directory(dir / "p" / folder.get<std::string>())) << detector;
    }
    EXPECT_TRUE(fs::is_regular_file(dir / "p" / manifest["manual"]["plain_file"].get<std::string>()));
    EXPECT_FALSE(fs::exists(dir / "p" / manifest["manual"]["missing"].get<std::string>()));
}

TEST(PackageGenerator, MinDeepFilesStraddleThePathLimit)
{
    TempDir dir;
    generatePackages("min", dir / "p");
    const nlohmann::json manifest = readManifest(dir / "p");
    int deepFiles = 0;
    for (const nlohmann::json& file : manifest["files"]) {
        const std::string path = file["path"];
        if (!path.starts_with("deep/")) {
            continue;
        }
        ++deepFiles;
        const fs::path full = fs::absolute(dir / "p" / path);
        EXPECT_GE(full.string().size(), 250u);
        if (file["walk"] == "read") {
            EXPECT_EQ(full.parent_path().string().size(), 245u);
        } else {
            EXPECT_GE(full.parent_path().string().size(), 250u);
        }
    }
    EXPECT_EQ(deepFiles, 2);
}

TEST(PackageGenerator, BenchWritesPackagesModelsAndSections)
{
    TempDir dir;
    generatePackages("bench", dir / "p", {"--packages", "3", "--models", "4", "--sections", "5"});
    const nlohmann::json manifest = readManifest(dir / "p");
    EXPECT_EQ(manifest["files"], 12);
    EXPECT_EQ(manifest["sections"], 60);
    std::size_t files = 0;
    std::size_t sections = 0;
    for (const auto& [path, bytes] : lf_tree(dir / "p")) {
        if (path.ends_with("aircraft.cfg")) {
            ++files;
            sections += lf_count(bytes, "[fltsim.");
        }
    }
    EXPECT_EQ(files, 12u);
    EXPECT_EQ(sections, 60u);
    EXPECT_EQ(manifest["roots"].size(), 3u);
}

} // namespace
} // namespace hlw::test
