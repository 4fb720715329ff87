// The line's database from the command line: serial pools and the production report.
#include <cstdio>

#include "cli/CliContext.h"
#include "cli/Report.h"
#include "production/LineReport.h"
#include "production/ProductionLine.h"
#include "production/Schema.h"

namespace vantor::cli {

namespace {

using production::Connection;
using production::ProductionError;

std::string databaseOf(const CliContext &ctx, const char *command) {
    if (!ctx.logFile || !production::isDatabaseLocation(*ctx.logFile))
        throw UsageError(std::string(command) + " needs the line's database: --log postgresql://USER@HOST/DB " +
                         "(postgresql:// alone takes the PG* environment variables)");
    return *ctx.logFile;
}

std::uint64_t parseCount(const std::string &text, const char *what) {
    if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos)
        throw UsageError(std::string(what) + ": not a decimal number: " + text);
    return std::stoull(text);
}

// The database's own words, and the exit status of a failure that is not the user's input.
int refused(const CliContext &ctx, const std::string &command, const std::exception &e) {
    std::fprintf(stderr, "vantor-cli: %s\n", e.what());
    if (ctx.json) printJson(errorDocument(command, kExitFailed, e.what()));
    return kExitFailed;
}

nlohmann::json poolJson(const production::PoolState &pool) {
    return {{"name", pool.settings.name}, {"start", pool.settings.start},
            {"step", pool.settings.step}, {"format", pool.settings.format},
            {"next", pool.next},          {"counts", pool.counts}};
}

void printPool(const production::PoolState &pool) {
    std::printf("Pool %s: start %llu, step %llu, format %s, next %llu\n", pool.settings.name.c_str(),
                static_cast<unsigned long long>(pool.settings.start),
                static_cast<unsigned long long>(pool.settings.step), pool.settings.format.c_str(),
                static_cast<unsigned long long>(pool.next));
    for (const auto &[state, n] : pool.counts) std::printf("  %-10s %lld\n", state.c_str(), n);
}

}  // namespace

int runSerialPool(CliContext &ctx, Args args) {
    if (args.size() < 2) throw UsageError("serial-pool create|show|reclaim NAME [...]");
    const std::string action = args[0], name = args[1];
    args.erase(args.begin(), args.begin() + 2);
    production::PoolSettings settings{name};
    if (action == "create") {
        const auto start = takeOption(args, "--start");
        if (!start) throw UsageError("serial-pool create needs --start N");
        settings.start = parseCount(*start, "--start");
        if (auto step = takeOption(args, "--step")) settings.step = parseCount(*step, "--step");
        if (auto format = takeOption(args, "--format")) settings.format = *format;
        if (settings.step == 0) throw UsageError("--step must be at least 1");
    } else if (action != "show" && action != "reclaim") {
        throw UsageError("serial-pool: expected create, show or reclaim, not " + action);
    }
    if (!args.empty()) throw UsageError("unexpected argument: " + args.front());
    const std::string uri = databaseOf(ctx, "serial-pool");
    try {
        Connection connection(uri);
        production::migrateSchema(connection);
        long long reclaimed = -1;
        if (action == "create") production::createPool(connection, settings);
        if (action == "reclaim") reclaimed = production::reclaimSerials(connection, name);
        const auto pool = production::showPool(connection, name);
        if (ctx.json) {
            nlohmann::json document = {{"schema", kJsonSchemaId}, {"command", "serial-pool"}, {"action", action},
                                       {"result", "success"},     {"exit_code", 0},           {"pool", poolJson(pool)}};
            if (reclaimed >= 0) document["reclaimed"] = reclaimed;
            printJson(document);
        } else {
            if (reclaimed >= 0)
                std::printf("Reclaimed %lld numbers reserved by stations that are not running (now abandoned)\n",
                            reclaimed);
            printPool(pool);
        }
        return kExitSuccess;
    } catch (const ProductionError &e) {
        return refused(ctx, "serial-pool", e);
    }
}

int runLineReport(CliContext &ctx, Args args) {
    production::ReportFilter filter;
    filter.since = takeOption(args, "--since");
    if (ctx.stationGiven) filter.station = ctx.station;
    filter.device = takeOption(args, "--device", "-d");
    const bool flush = takeFlag(args, "--flush");
    if (!args.empty()) throw UsageError("unexpected argument: " + args.front());
    const std::string uri = databaseOf(ctx, "report");
    try {
        Connection connection(uri);
        production::migrateSchema(connection);
        int status = kExitSuccess;
        nlohmann::json flushed = nlohmann::json::array();
        if (flush) {
            for (const auto &[file, summary] : production::flushJournals(connection)) {
                flushed.push_back({{"journal", file.string()},
                                   {"written", summary.written},
                                   {"already_written", summary.alreadyThere},
                                   {"damaged", summary.damaged}});
                if (summary.written || summary.alreadyThere)
                    std::fprintf(stderr, "Journal %s: %d records written (%d were written before)\n", file.c_str(),
                                 summary.written + summary.alreadyThere, summary.alreadyThere);
                if (summary.damaged) {
                    std::fprintf(stderr, "vantor-cli: journal %s: %d damaged lines could not be read; kept in %s\n",
                                 file.c_str(), summary.damaged, summary.damagedFile.c_str());
                    status = kExitFailed;
                }
            }
        }
        const auto report = production::lineReport(connection, filter);
        if (ctx.json) {
            nlohmann::json document = report;
            document.update({{"schema", kJsonSchemaId},
                             {"command", "report"},
                             {"result", resultName(status)},
                             {"exit_code", status}});
            if (flush) document["flushed"] = flushed;
            printJson(document);
        } else {
            std::fputs(production::lineReportText(report).c_str(), stdout);
        }
        return status;
    } catch (const ProductionError &e) {
        return refused(ctx, "report", e);
    }
}

}  // namespace vantor::cli
