#include <cstdlib>

#include "app/shell.h"

namespace app {
namespace {

ProcessObjects* current = nullptr;

}  // namespace

ProcessObjects::ProcessObjects() { current = this; }

ProcessObjects::~ProcessObjects() { current = nullptr; }

ApplicationState& state()
{
    if (current == nullptr) {
        std::abort();  // a shell call outside the process's lifetime is a programming error
    }
    return current->state;
}

}  // namespace app
