#include "sim_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace e2e {
namespace {

void SleepMs(int ms) {
    usleep(static_cast<useconds_t>(ms) * 1000);
}

}  // namespace

SimProcess::~SimProcess() {
    Stop();
    if (!dir_.empty()) {
        unlink(log_.c_str());
        rmdir(dir_.c_str());
    }
}

std::string SimProcess::Log() const {
    std::ifstream in(log_);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool SimProcess::Start(const std::string& profile, std::string& error,
                       const std::vector<std::string>& extra, int count) {
    const char* sim = std::getenv("VORIN_SIM");
    if (sim == nullptr) {
        error = "VORIN_SIM is not set";
        return false;
    }
    std::string path = profile;
    if (!profile.empty() && profile.find('/') == std::string::npos) {
        const char* folder = std::getenv("VORIN_SIM_PROFILES");
        path = std::string(folder != nullptr ? folder : ".") + "/" + profile + ".json";
    }
    char dir[] = "/tmp/vorin-e2e-XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        error = std::string("cannot make a folder: ") + std::strerror(errno);
        return false;
    }
    dir_ = dir;
    link_ = dir_ + "/port";
    log_ = dir_ + "/sim.log";
    // The argument list is made before the fork: the child only calls execv.
    std::vector<std::string> args = {sim, "--link", link_};
    if (!path.empty()) {
        args.insert(args.end(), {"--profile", path});
    }
    args.insert(args.end(), extra.begin(), extra.end());
    if (count > 1) {
        args.insert(args.end(), {"--count", std::to_string(count)});
    }
    // The links come in order; the last one says that every receiver is served.
    const std::string last = count > 1 ? Port(count) : link_;
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ < 0) {
        error = std::string("cannot fork: ") + std::strerror(errno);
        return false;
    }
    if (pid_ == 0) {
        const int log = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (log >= 0) {
            dup2(log, STDERR_FILENO);
        }
        execv(sim, argv.data());
        _exit(127);
    }
    for (int waited = 0; waited < 5000; waited += 20) {
        struct stat info {};
        if (lstat(last.c_str(), &info) == 0) {
            return true;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            error = "vorin-sim ended before serving (status " + std::to_string(status) + ")";
            return false;
        }
        SleepMs(20);
    }
    error = "vorin-sim did not create " + last + " within 5 s";
    return false;
}

int SimProcess::Stop() {
    if (pid_ <= 0) {
        return -1;
    }
    kill(pid_, SIGTERM);
    int status = 0;
    for (int waited = 0; waited < 5000; waited += 20) {
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        SleepMs(20);
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return -1;
}

}  // namespace e2e
