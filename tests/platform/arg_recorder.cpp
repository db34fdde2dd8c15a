// Records how it was started, for the shell-start test: writes
// "recorded.txt" into its current working directory with the lines
//   cwd=<working directory>
//   arg=<argument>     one per argument after the program name
//   fd=<target>        one per open descriptor above stderr
// The file is written under another name and renamed, so a reader never
// sees it half-written.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

int main(int argc, char* argv[]) {
    namespace fs = std::filesystem;
    std::error_code error;

    // Listed before anything of ours is opened, so only inherited ones show.
    std::vector<std::string> descriptors;
    for (fs::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name == "0" || name == "1" || name == "2")
            continue;
        const std::string target = fs::read_symlink(it->path(), error).string();
        if (error) {
            error.clear();
            continue;
        }
        // The listing's own descriptor is not inherited.
        if (target.rfind("/proc/", 0) != 0)
            descriptors.push_back(target);
    }

    const fs::path cwd = fs::current_path(error);
    if (error)
        return 1;
    {
        std::ofstream out("recorded.txt.part", std::ios::trunc);
        out << "cwd=" << cwd.string() << '\n';
        for (int i = 1; i < argc; ++i)
            out << "arg=" << argv[i] << '\n';
        for (const std::string& target : descriptors)
            out << "fd=" << target << '\n';
        if (!out.flush())
            return 1;
    }
    return std::rename("recorded.txt.part", "recorded.txt") == 0 ? 0 : 1;
}
