// tree-time: runs a command and measures it with every process it starts, those that outlive their
// parent included (a PDF page's drawer is a program of its own).
//
//   tree-time FILE COMMAND [ARG...]
//
// Writes one line to FILE once the command and everything below it have ended:
//   <wall s> <user CPU s> <system CPU s> <largest process's peak RSS, KiB> <tree's peak, KiB>
// CPU counts every process of the tree (getrusage of the children this process and they waited
// for; as a child subreaper this process waits for the orphans itself). The tree's peak is the
// largest sum of the processes' proportional set sizes (smaps_rollup's Pss: a page that n
// processes share counts 1/n in each, so a library the drawers share counts once), sampled every
// 20 ms: a peak shorter than that can be missed. Exits with the command's status.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

double now()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The children of every thread of `pid` (a child belongs to the thread that started it).
std::vector<pid_t> children(pid_t pid)
{
    std::vector<pid_t> found;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir)
        return found;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream list(tasks + '/' + entry->d_name + "/children");
        for (pid_t child; list >> child;)
            found.push_back(child);
    }
    closedir(dir);
    return found;
}

// What `pid` holds in KiB: its proportional set size, else (no smaps_rollup) its resident size.
long long held(pid_t pid)
{
    const std::string base = "/proc/" + std::to_string(pid);
    std::ifstream rollup(base + "/smaps_rollup");
    for (std::string key; rollup >> key;) {
        long long kib = 0;
        if (key == "Pss:" && rollup >> kib)
            return kib;
    }
    std::ifstream statm(base + "/statm");
    long long size = 0, resident = 0;
    if (statm >> size >> resident)
        return resident * (sysconf(_SC_PAGESIZE) / 1024);
    return 0;
}

// The sum of what every process below this one holds now, in KiB.
long long treeNow()
{
    long long sum = 0;
    std::vector<pid_t> stack = children(getpid());
    while (!stack.empty()) {
        const pid_t pid = stack.back();
        stack.pop_back();
        sum += held(pid);
        for (const pid_t child : children(pid))
            stack.push_back(child);
    }
    return sum;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: tree-time FILE COMMAND [ARG...]\n", stderr);
        return 2;
    }
    // Orphans of the tree become this process's children: they stay in the tree, and their CPU
    // time comes to this process's children's when it waits for them.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    const double start = now();
    const pid_t command = fork();
    if (command < 0)
        return 127;
    if (command == 0) {
        execvp(argv[2], argv + 2);
        std::fprintf(stderr, "tree-time: %s: %s\n", argv[2], std::strerror(errno));
        _exit(127);
    }
    int status = 127;
    long long peak = 0;
    double wall = 0;
    for (;;) {
        const long long sum = treeNow();
        peak = sum > peak ? sum : peak;
        int childStatus = 0;
        pid_t ended = 0;
        while ((ended = waitpid(-1, &childStatus, WNOHANG)) > 0) {
            if (ended == command) {
                status = WIFEXITED(childStatus) ? WEXITSTATUS(childStatus) : 128 + WTERMSIG(childStatus);
                wall = now() - start;
            }
        }
        if (ended < 0 && errno == ECHILD)
            break;
        usleep(20'000);
    }
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    FILE* out = std::fopen(argv[1], "w");
    if (!out)
        return 127;
    std::fprintf(out, "%.2f %.2f %.2f %ld %lld\n", wall, seconds(usage.ru_utime), seconds(usage.ru_stime), usage.ru_maxrss, peak);
    std::fclose(out);
    return status;
}
