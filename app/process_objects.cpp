#include <cstdlib>

#include "app/shell.h"

namespace app {
namespace {

ProcessObjects* current = nullptr;

ProcessObjects& process()
{
    if (current == nullptr) {
        std::abort();  // a shell call outside the process's lifetime is a programming error
    }
    return *current;
}

}  // namespace

ProcessObjects::ProcessObjects() { current = this; }

ProcessObjects::~ProcessObjects() { current = nullptr; }

ApplicationState& state() { return process().state; }

catalogue::InternetSession& internet_session() { return process().internet; }

}  // namespace app
