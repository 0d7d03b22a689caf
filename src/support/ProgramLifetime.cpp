#include "support/ProgramLifetime.h"

#include <vector>

namespace ProgramLifetime {
namespace {

// Never destroyed: the ends may run as late as the program's main allows,
// and nothing is left to run at exit.
std::vector<std::function<void()>>& ends() {
    static auto* registered = new std::vector<std::function<void()>>;
    return *registered;
}

} // namespace

void atEnd(std::function<void()> end) { ends().push_back(std::move(end)); }

void end() {
    std::vector<std::function<void()>>& registered = ends();
    while (!registered.empty()) {
        std::function<void()> next = std::move(registered.back());
        registered.pop_back();
        if (next)
            next();
    }
}

} // namespace ProgramLifetime
