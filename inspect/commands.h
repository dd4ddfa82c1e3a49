#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

// The four commands of framestow-inspect. Each returns the program's exit status.
namespace framestow::inspect {

constexpr int kAllGood = 0;
constexpr int kProblemsFound = 1;
// A usage error, an output folder that cannot be inspected at all, or an output that cannot be
// written at all.
constexpr int kUnusable = 2;

struct ListOptions {
    std::string output;
    bool json = false;
    std::optional<std::string> workspace;  // adds the colour costs measured against it
};

struct VerifyOptions {
    std::string output;
    std::optional<std::string> workspace;
};

struct ExtractOptions {
    std::string output;
    std::string destination;
    std::vector<std::string> only;  // picture names; all pictures when empty
    std::optional<std::string> workspace;
};

struct ReportOptions {
    std::string output;
    std::string page;
    bool full_size = false;  // thumbnails of the pictures' own size, not scaled down
    std::optional<std::string> workspace;
};

// The listing goes to `out`; a picture that cannot be read gets its problem line on `err`. Given a
// workspace, the colour costs follow the listing.
int run_list(const ListOptions& options, std::ostream& out, std::ostream& err);

// Every problem line and the closing summary go to `out`, warnings to `err`.
int run_verify(const VerifyOptions& options, std::ostream& out, std::ostream& err);

// The closing summary goes to `out`, problem lines and warnings to `err`. Given a workspace, the
// warnings name each picture whose source has no alpha channel.
int run_extract(const ExtractOptions& options, std::ostream& out, std::ostream& err);
int run_report(const ReportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace framestow::inspect
