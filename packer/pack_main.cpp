// framestow-pack: the packer's run on a workspace named on the command line (the current folder
// by default), for an installed packer, whose own folder is no workspace.
#include <CLI/CLI.hpp>
#include <string>

#include "stages/startup.h"

int main(int argc, char** argv) {
    CLI::App app{
        "Packs the pictures of WORKSPACE/image/ into the packages that WORKSPACE/config.ini "
        "names, writing temp/ and output/ there, with the same lines as a framestow program "
        "copied into WORKSPACE.\nExit status: 0 packed, 255 packing failed, 2 usage error or "
        "no workspace.",
        "framestow-pack"};
    app.set_version_flag("--version", std::string("framestow-pack ") + FRAMESTOW_VERSION);
    std::string workspace = ".";
    app.add_option("WORKSPACE", workspace,
                   "the workspace folder, with image/ and config.ini (default: the current "
                   "folder)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : framestow::kNotAWorkspace;
    }
    return framestow::pack_named_workspace(workspace, "framestow-pack");
}
