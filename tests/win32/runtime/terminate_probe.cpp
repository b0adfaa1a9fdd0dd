// Ends through the deliverables' terminate handler, as a deliverable would: with an exception
// that escapes a noexcept function ("throw"), or with no exception at all ("bare").
#include <cstring>
#include <exception>
#include <stdexcept>

namespace {

void Throw() {
    throw std::runtime_error("lost in transit");
}

void Escape() noexcept {
    Throw();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "throw") == 0)
        Escape();
    std::terminate();
}
