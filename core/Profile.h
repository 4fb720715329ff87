#pragma once
#include <map>
#include <string>
#include <string_view>

namespace vantor {

// Settings store addressed by section and key, as the registry profile functions were.
class Profile {
public:
    virtual ~Profile() = default;
    virtual int readInt(std::string_view section, std::string_view key, int defaultValue) = 0;
    virtual std::string readString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) = 0;
    virtual void writeInt(std::string_view section, std::string_view key, int value) = 0;
    virtual void writeString(std::string_view section, std::string_view key, std::string_view value) = 0;
};

class MemoryProfile : public Profile {
public:
    int readInt(std::string_view section, std::string_view key, int defaultValue) override;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) override;
    void writeInt(std::string_view section, std::string_view key, int value) override;
    void writeString(std::string_view section, std::string_view key, std::string_view value) override;
    bool contains(std::string_view section, std::string_view key) const;

protected:
    std::map<std::string, std::map<std::string, std::string>> values_;
};

// INI file used by the command-line front end; written through a temporary file and a rename.
class IniProfile : public MemoryProfile {
public:
    explicit IniProfile(std::string path);
    bool load();            // a missing file is an empty profile
    bool save() const;      // false when the file cannot be written
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

}  // namespace vantor
