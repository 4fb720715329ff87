#pragma once
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace vantor {

// Settings store addressed by section and key, as the registry profile functions were.
class Profile {
public:
    virtual ~Profile() = default;
    virtual int readInt(std::string_view section, std::string_view key, int defaultValue) = 0;
    virtual std::string readString(std::string_view section, std::string_view key, std::string_view defaultValue) = 0;
    virtual void writeInt(std::string_view section, std::string_view key, int value) = 0;
    virtual void writeString(std::string_view section, std::string_view key, std::string_view value) = 0;
};

class MemoryProfile : public Profile {
public:
    int readInt(std::string_view section, std::string_view key, int defaultValue) override;
    std::string readString(std::string_view section, std::string_view key, std::string_view defaultValue) override;
    void writeInt(std::string_view section, std::string_view key, int value) override;
    void writeString(std::string_view section, std::string_view key, std::string_view value) override;
    bool contains(std::string_view section, std::string_view key) const;

protected:
    std::map<std::string, std::map<std::string, std::string>> values_;
};

// The per-user settings file that the desktop program's QSettings("TarvikTech", "Vantor")
// keeps, read and written the way QSettings does (INI text, UTF-8, its escapes and quoting),
// so the command line and the desktop program share history, options and counters.
// Entries this program never touches are written back exactly as they were read; save()
// merges only the entries changed here into the file as it is on disk at that moment, under
// QSettings' lock file, and replaces the file through replaceFile().
class IniProfile : public Profile {
public:
    explicit IniProfile(std::filesystem::path path);
    // A missing file is an empty profile; false (with error()) when the file cannot be read.
    bool load();
    // False (with error()) when the file cannot be written; nothing changed is no write.
    bool save();
    const std::filesystem::path &path() const { return path_; }
    const std::string &error() const { return error_; }

    int readInt(std::string_view section, std::string_view key, int defaultValue) override;
    std::string readString(std::string_view section, std::string_view key, std::string_view defaultValue) override;
    void writeInt(std::string_view section, std::string_view key, int value) override;
    void writeString(std::string_view section, std::string_view key, std::string_view value) override;

    // The value and key encodings of QSettings' INI files (UTF-8 text in and out). The
    // doubling of a string's leading '@' is left to writeString/readString.
    static std::string escapeValue(std::string_view value);
    static std::string unescapeValue(std::string_view raw);
    static std::string escapeKey(std::string_view key);
    static std::string unescapeKey(std::string_view raw);

private:
    // Escaped section -> escaped key -> value as it stands in the file.
    using Entries = std::map<std::string, std::map<std::string, std::string>>;
    static bool parse(const std::string &text, Entries &out);
    std::string render(const Entries &entries) const;
    const std::string *find(std::string_view section, std::string_view key) const;
    void put(std::string_view section, std::string_view key, std::string raw);

    std::filesystem::path path_;
    Entries entries_;
    Entries changed_;
    std::string error_;
};

// Where QSettings("TarvikTech", "Vantor") keeps its file for this user:
// $XDG_CONFIG_HOME (or ~/.config)/TarvikTech/Vantor.conf.
std::filesystem::path userSettingsPath();

}  // namespace vantor
