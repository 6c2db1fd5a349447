// Start-up time: from starting the process to its login window being mapped on the X
// display, for bare_login (the same widgets with nothing behind them) and for the program,
// both on an ordinary start and on the first start of a day (which takes the day's
// backup), started in turn in one run. Prints each median and the ratios to the bare
// dialog; exits 1 when a ratio of the wall times is above the limit.
//   bench_startup [runs] [limit] [shop folder]
// Needs an X display (xvfb-run -a bench_startup). The program runs from a copy in a
// temporary folder, with a copy of the shop folder's Data/db.sqlite3 and Image/ when one
// is given (tools/gen-bench-db.sh makes one); the first round is not counted.
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const char* const LoginTitle = "软件登录";

xcb_atom_t atom(xcb_connection_t* x, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

std::string windowTitle(xcb_connection_t* x, xcb_window_t window)
{
    const xcb_atom_t netName = atom(x, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(x, "UTF8_STRING");
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(x, xcb_get_property(x, 0, window, netName, utf8, 0, 256), nullptr);
    std::string title;
    if (reply)
        title.assign(static_cast<const char*>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply));
    std::free(reply);
    return title;
}

// Asks the window to close, as a close box would: the program then ends by itself.
void closeWindow(xcb_connection_t* x, xcb_window_t window)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(x, "WM_PROTOCOLS");
    event.data.data32[0] = atom(x, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(x, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    xcb_flush(x);
}

// Time the process's threads have run on a processor so far, from the scheduler's own
// nanosecond counts: unlike the wall time, it holds still on a busy machine.
double cpuMilliseconds(pid_t pid)
{
    double total = 0;
    std::error_code error;
    for (const fs::directory_entry& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        if (FILE* file = std::fopen((task.path() / "schedstat").c_str(), "r")) {
            unsigned long long ns = 0;
            if (std::fscanf(file, "%llu", &ns) == 1)
                total += ns / 1e6;
            std::fclose(file);
        }
    }
    return total;
}

bool waitForExit(pid_t pid, int seconds)
{
    for (int i = 0; i < seconds * 100; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return true;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return false;
}

struct Times {
    double wall; // milliseconds from the start to the map
    double cpu;  // milliseconds the process ran on a processor until then
};

struct Starter {
    xcb_connection_t* x;
    std::vector<std::string> environment;

    // From the start of `program` to the map of its login window; none when another
    // window came first or nothing came within 10 s.
    std::optional<Times> measure(const std::string& program)
    {
        std::vector<char*> env;
        for (std::string& entry : environment)
            env.push_back(entry.data());
        env.push_back(nullptr);
        std::string path = program;
        char* argv[] = {path.data(), nullptr};

        const Clock::time_point start = Clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, env.data()) != 0) {
            std::perror(path.c_str());
            return std::nullopt;
        }
        std::optional<Times> elapsed;
        xcb_window_t mapped = XCB_WINDOW_NONE;
        pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
        const Clock::time_point deadline = start + std::chrono::seconds(10);
        while (mapped == XCB_WINDOW_NONE && Clock::now() < deadline) {
            xcb_generic_event_t* event = xcb_poll_for_event(x);
            if (!event) {
                poll(&fd, 1, 50);
                continue;
            }
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                if (!map->override_redirect) {
                    elapsed = Times{std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
                                    cpuMilliseconds(pid)};
                    mapped = map->window;
                }
            }
            std::free(event);
        }
        if (mapped != XCB_WINDOW_NONE && windowTitle(x, mapped) != LoginTitle) {
            std::fprintf(stderr, "%s showed \"%s\" instead of the login window\n", program.c_str(),
                         windowTitle(x, mapped).c_str());
            elapsed.reset();
        }
        if (mapped != XCB_WINDOW_NONE)
            closeWindow(x, mapped);
        else
            kill(pid, SIGTERM);
        if (!waitForExit(pid, 10))
            std::fprintf(stderr, "%s did not end when its window was closed\n", program.c_str());
        return elapsed;
    }
};

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const double limit = argc > 2 ? std::atof(argv[2]) : 1.3;
    const fs::path here = fs::canonical("/proc/self/exe").parent_path();
    const fs::path built = here / ".." / "app" / "orvane-waybill";
    const fs::path bare = here / "bare_login";

    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "no X display: run it as  xvfb-run -a %s\n", argv[0]);
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    char folderTemplate[] = "/tmp/bench-startup-XXXXXX";
    const fs::path folder = mkdtemp(folderTemplate);
    const fs::path program = folder / "orvane-waybill";
    fs::copy_file(built, program);
    if (argc > 3) {
        const fs::path shop = argv[3];
        fs::create_directories(folder / "Data");
        fs::copy_file(shop / "Data" / "db.sqlite3", folder / "Data" / "db.sqlite3");
        if (fs::exists(shop / "Image"))
            fs::copy(shop / "Image", folder / "Image", fs::copy_options::recursive);
    }
    // The runtime folder, where the single-instance lock lies, in memory as a desktop
    // session has it (/run/user/<uid>): the lock file is synced to its disk.
    char runTemplate[] = "/dev/shm/bench-startup-run-XXXXXX";
    const fs::path run = fs::exists("/dev/shm") ? fs::path(mkdtemp(runTemplate)) : folder / "run";
    fs::create_directories(run);
    fs::permissions(run, fs::perms::owner_all);

    Starter starter{x, {}};
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        if (text.rfind("QT_QPA_PLATFORM=", 0) != 0 && text.rfind("XDG_RUNTIME_DIR=", 0) != 0)
            starter.environment.push_back(text);
    }
    starter.environment.push_back("QT_QPA_PLATFORM=xcb");
    // The single-instance lock of the copy, away from any copy the user runs.
    starter.environment.push_back("XDG_RUNTIME_DIR=" + run.string());

    struct Contender {
        const char* name;
        fs::path file;
        bool firstOfDay;
        std::vector<Times> times;
    };
    std::vector<Contender> contenders = {
        {"bare dialog", bare, false, {}},
        {"orvane-waybill", program, false, {}},
        {"  first of day", program, true, {}},
    };
    int failures = 0;
    for (int i = -1; i < runs; ++i) {
        // In turn, each round starting with the next one, so that none always finds the
        // caches another has just warmed.
        for (size_t k = 0; k < contenders.size(); ++k) {
            Contender& c = contenders[(k + size_t(i + 1)) % contenders.size()];
            if (c.firstOfDay)
                fs::remove_all(folder / "Data" / "backup");
            const std::optional<Times> times = starter.measure(c.file.string());
            if (!times)
                ++failures;
            else if (i >= 0)
                c.times.push_back(*times);
        }
    }
    fs::remove_all(folder);
    fs::remove_all(run);
    xcb_disconnect(x);
    for (const Contender& c : contenders)
        if (c.times.empty())
            failures += 1;
    if (failures > 0) {
        std::fprintf(stderr, "%d starts failed\n", failures);
        return 2;
    }

    const auto median = [](const std::vector<Times>& times, double Times::*which) {
        std::vector<double> values;
        for (const Times& t : times)
            values.push_back(t.*which);
        std::sort(values.begin(), values.end());
        const size_t n = values.size();
        return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    };
    const Contender& yardstick = contenders.front();
    bool withinLimit = true;
    std::printf("start to the login window mapped, median of %d starts each (ms); ratios to the bare dialog\n", runs);
    for (const Contender& c : contenders) {
        const double wall = median(c.times, &Times::wall);
        const double cpu = median(c.times, &Times::cpu);
        const double ratio = wall / median(yardstick.times, &Times::wall);
        std::printf("  %-15s wall %6.1f  cpu %6.1f", c.name, wall, cpu);
        if (&c != &yardstick) {
            std::printf("   %.2fx wall  %.2fx cpu", ratio, cpu / median(yardstick.times, &Times::cpu));
            withinLimit = withinLimit && ratio <= limit;
        }
        std::printf("   (wall:");
        for (const Times& t : c.times)
            std::printf(" %.0f", t.wall);
        std::printf(")\n");
    }
    std::printf("  limit %.2fx on the wall time: %s\n", limit, withinLimit ? "met" : "exceeded");
    return withinLimit ? 0 : 1;
}
