#pragma once
// A small JSON Schema checker for the keywords docs/vantor-cli.schema.json uses: type, enum,
// const, properties, required, additionalProperties (true/false), items, minItems, $ref to
// "#/$defs/...", oneOf, allOf, pattern, minimum, maximum, and boolean schemas.
#include <regex>
#include <string>

#include <nlohmann/json.hpp>

namespace vantor::test {

class JsonSchema {
public:
    explicit JsonSchema(nlohmann::json root) : root_(std::move(root)) {}

    // "" when `value` conforms, else the first problem with its JSON path.
    std::string check(const nlohmann::json &value) const { return check(root_, value, "$"); }

private:
    static bool hasType(const nlohmann::json &v, const std::string &type) {
        if (type == "object") return v.is_object();
        if (type == "array") return v.is_array();
        if (type == "string") return v.is_string();
        if (type == "boolean") return v.is_boolean();
        if (type == "null") return v.is_null();
        if (type == "integer") return v.is_number_integer();
        if (type == "number") return v.is_number();
        return false;
    }

    const nlohmann::json &resolve(const std::string &ref) const {
        static const std::string prefix = "#/$defs/";
        if (ref.rfind(prefix, 0) != 0) throw std::runtime_error("unsupported $ref " + ref);
        return root_.at("$defs").at(ref.substr(prefix.size()));
    }

    std::string check(const nlohmann::json &s, const nlohmann::json &v, const std::string &path) const {
        if (s.is_boolean()) return s.get<bool>() ? "" : path + ": not allowed";
        if (s.contains("$ref"))
            if (auto e = check(resolve(s["$ref"]), v, path); !e.empty()) return e;
        if (s.contains("type")) {
            bool ok = false;
            if (s["type"].is_array()) {
                for (const auto &t : s["type"]) ok = ok || hasType(v, t.get<std::string>());
            } else {
                ok = hasType(v, s["type"].get<std::string>());
            }
            if (!ok) return path + ": not of type " + s["type"].dump() + ": " + v.dump().substr(0, 80);
        }
        if (s.contains("const") && v != s["const"]) return path + ": not " + s["const"].dump();
        if (s.contains("enum")) {
            bool found = false;
            for (const auto &e : s["enum"]) found = found || e == v;
            if (!found) return path + ": " + v.dump() + " is not one of " + s["enum"].dump();
        }
        if (s.contains("pattern") && v.is_string() &&
            !std::regex_search(v.get<std::string>(), std::regex(s["pattern"].get<std::string>())))
            return path + ": " + v.dump() + " does not match " + s["pattern"].get<std::string>();
        if (s.contains("minimum") && v.is_number() && v.get<double>() < s["minimum"].get<double>())
            return path + ": below the minimum";
        if (s.contains("maximum") && v.is_number() && v.get<double>() > s["maximum"].get<double>())
            return path + ": above the maximum";
        if (s.contains("allOf"))
            for (const auto &sub : s["allOf"])
                if (auto e = check(sub, v, path); !e.empty()) return e;
        if (s.contains("oneOf")) {
            int passing = 0;
            std::string problems;
            for (const auto &sub : s["oneOf"]) {
                const auto e = check(sub, v, path);
                if (e.empty()) ++passing;
                else problems += "\n  " + e;
            }
            if (passing != 1) return path + ": matches " + std::to_string(passing) + " of oneOf" + problems;
        }
        if (v.is_object()) {
            if (s.contains("required"))
                for (const auto &name : s["required"])
                    if (!v.contains(name.get<std::string>())) return path + ": lacks " + name.get<std::string>();
            const nlohmann::json props = s.value("properties", nlohmann::json::object());
            for (auto it = v.begin(); it != v.end(); ++it) {
                if (props.contains(it.key())) {
                    if (auto e = check(props[it.key()], it.value(), path + "." + it.key()); !e.empty()) return e;
                } else if (s.contains("additionalProperties") && s["additionalProperties"] == false) {
                    return path + ": unexpected member " + it.key();
                }
            }
        }
        if (v.is_array()) {
            if (s.contains("minItems") && v.size() < s["minItems"].get<std::size_t>()) return path + ": too few items";
            if (s.contains("items"))
                for (std::size_t i = 0; i < v.size(); ++i)
                    if (auto e = check(s["items"], v[i], path + "[" + std::to_string(i) + "]"); !e.empty()) return e;
        }
        return "";
    }

    nlohmann::json root_;
};

}  // namespace vantor::test
