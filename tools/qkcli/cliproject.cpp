// qkcli project save, qkcli project show: project files from the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "cpplib/qkfile.h"
#include "err/errntfy.h"
#include "source/base/appmngr.h"
#include "source/files/datafile.h"
#include "source/files/hexdefs.h"
#include "tools/qkcli/cliargs.h"
#include "tools/qkcli/clijson.h"
#include "tools/qkcli/clinotify.h"
#include "tools/qkcli/cliwork.h"
#include "tools/qkcli/commands.h"

namespace {

int Fail(const char* command, const std::string& message)
{
    std::fprintf(stderr, "qkcli project %s: %s\n", command, message.c_str());
    return exitUsage;
}

int SaveOption(const std::string& keep, bool haveFiles)
{
    if (keep.empty())
        return haveFiles ? prjSaveHexRef : prjSaveImage;
    if (keep == "only")
        return prjSaveOnly;
    if (keep == "image")
        return prjSaveImage;
    if (keep == "reference")
        return prjSaveHexRef;
    return 0;
}

int Save(int argc, char** argv, int first)
{
    const clCliArgs args(argc, argv, first, {"device", "space", "file", "description", "keep"}, {}, {"space", "file"});
    if (!args.IsValid())
        return QkUsageError("project", args.GetError());
    if (args.Positional().size() != 1 || !args.Has("device"))
        return QkUsageError("project", "project save takes PROJECT.qkp and --device");
    const std::vector<std::string> spaces = args.Values("space");
    const std::vector<std::string> files = args.Values("file");
    if (!spaces.empty() && spaces.size() != files.size())
        return QkUsageError("project", "give one --space before each --file, or none");
    const int saveOption = SaveOption(args.Value("keep"), !files.empty());
    if (saveOption == 0)
        return QkUsageError("project", "--keep is only, image or reference");
    const std::string description = args.Value("description");
    if (description.size() > kProjDescMax)
        return QkUsageError("project", "the description holds at most 250 characters");

    // A file that raises warnings is refused: the project would carry data
    // that is not what the file says.
    clCliUi ui(erIdAbort);
    QkAppErrMngr().OpenErrMngr(GetNotifier(), nullptr);
    clCliWork work;
    const auto chipId = work.FindDevice(args.Value("device"));
    if (!chipId)
        return Fail("save", "no device \"" + args.Value("device") + "\" in the database (see \"qkcli devices\")");
    work.Spaces().SetupDevice(*chipId);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const int space = spaces.empty() ? work.Spaces().FirstSpace() : work.Spaces().FindSpace(spaces[i]);
        if (space == 0)
            return Fail("save", "the " + work.DeviceName(*chipId) + " has no space \"" + spaces[i] + "\"");
        if (const std::string problem = QkCheckInputFile(files[i]); !problem.empty())
            return Fail("save", problem);
        const int type = QkDetectFileType(files[i]);
        if (type == ftNone)
            return Fail("save", "cannot read " + files[i]);
        if (type == ftProject)
            return Fail("save", files[i] + " is a project file, not a data file");
        if (const std::string problem = QkCheckDetectedType(files[i], type); !problem.empty())
            return Fail("save", problem);
        const clQKHugeBuffer& buffer = work.Spaces().Buffer(space);
        clOutsideData outside;
        if (work.Spaces().LoadFile(space, files[i], type, buffer.GetStartAdrs().GetLinear(),
                                   buffer.GetStopAdrs().GetLinear(), &outside) == 0)
            return Fail("save", ui.GetCount() > 0 ? files[i] + " raised warnings; nothing was saved"
                                                  : "cannot read " + files[i]);
        // The project would hold less than the file says.
        if (outside.any)
            return Fail("save", QkOutsideText(files[i], buffer, outside) + "; nothing was saved");
    }
    if (work.Project().Save(args.Positional()[0], saveOption, description) == 0)
        return exitUsage; // the reason was shown
    return exitOk;
}

int Show(int argc, char** argv, int first)
{
    const clCliArgs args(argc, argv, first, {}, {"json"});
    if (!args.IsValid())
        return QkUsageError("project", args.GetError());
    if (args.Positional().size() != 1)
        return QkUsageError("project", "project show takes PROJECT.qkp");
    clCliUi ui(erIdOk);
    QkAppErrMngr().OpenErrMngr(GetNotifier(), nullptr);
    clCliWork work;
    const std::string problem = work.OpenProject(args.Positional()[0]);
    if (!problem.empty())
        return Fail("show", problem);

    clQkSpaces& spaces = work.Spaces();
    const std::string device = work.DeviceName(spaces.GetChipId());
    clJsonArray list;
    if (!args.Has("json")) {
        std::printf("Project:     %s\nDevice:      %s (chip id %u)\nDescription: %s\nSpaces:\n",
                    work.Project().GetPath().c_str(), device.c_str(), spaces.GetChipId(),
                    work.Project().GetDescription().c_str());
        std::printf("  %-5s %-11s %-5s %-10s %-8s %-6s %s\n", "Space", "Name", "Type", "Start", "Size", "Sum", "File");
    }
    for (int space = 1; space <= kSpaceCount; ++space) {
        if (!spaces.HasSpace(space))
            continue;
        const clQKHugeBuffer& buffer = spaces.Buffer(space);
        const unsigned sum = buffer.Sum(buffer.GetStartAdrs(), buffer.GetStopAdrs());
        if (args.Has("json")) {
            clJsonObject item;
            item.Add("space", space).Add("name", buffer.GetName()).Add("file_type", spaces.FileType(space));
            item.Add("file", spaces.FileName(space));
            item.Add("start", static_cast<std::int64_t>(buffer.GetStartAdrs().GetLinear()));
            item.Add("size", static_cast<std::int64_t>(buffer.GetSize())).Add("sum", sum);
            list.Add(item);
        } else {
            std::printf("  %-5d %-11s %-5d 0x%08X 0x%06X %04X   %s\n", space, buffer.GetName(), spaces.FileType(space),
                        buffer.GetStartAdrs().GetLinear(), buffer.GetSize(), sum, spaces.FileName(space).c_str());
        }
    }
    if (args.Has("json")) {
        clJsonObject out;
        out.Add("project", work.Project().GetPath()).Add("device", device).Add("chip_id", spaces.GetChipId());
        out.Add("description", work.Project().GetDescription());
        out.Add("sum_recipe", "16-bit sum of every byte of the space buffer (unloaded bytes hold the erase value)");
        out.AddRaw("spaces", list.Text());
        std::printf("%s\n", out.Text().c_str());
    } else {
        std::printf("Sums: 16-bit sum of every byte of the space buffer (unloaded bytes hold the erase value).\n");
    }
    return exitOk;
}

} // namespace

int QkCmdProject(int argc, char** argv, int first)
{
    const std::string what = first < argc ? argv[first] : "";
    if (what == "save")
        return Save(argc, argv, first + 1);
    if (what == "show")
        return Show(argc, argv, first + 1);
    return QkUsageError("project", "say \"project save\" or \"project show\"");
}
