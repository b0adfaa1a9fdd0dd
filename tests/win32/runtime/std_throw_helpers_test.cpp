// What the deliverables' handlers see when the C++ runtime reports misuse through the
// deliverables' own throw helpers: a std::exception carrying the runtime's message, its numbers
// filled in, and std::bad_alloc for allocations beyond the possible.
#include <gtest/gtest.h>

#include <bitset>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

struct MisuseCase {
    const char* what;
    std::function<void()> misuse;
    std::string message;
};

TEST(StdThrowHelpers, MisuseReachesStdExceptionHandlersWithTheRuntimesMessage) {
    const std::string abc = "abc";
    const std::vector<int> none;
    const MisuseCase cases[] = {
        {"string::at", [&] { (void)abc.at(5); },
         "basic_string::at: __n (which is 5) >= this->size() (which is 3)"},
        {"string::substr", [&] { (void)abc.substr(4); },
         "basic_string::substr: __pos (which is 4) > this->size() (which is 3)"},
        {"vector::at", [&] { (void)none.at(0); },
         "vector::_M_range_check: __n (which is 0) >= this->size() (which is 0)"},
        {"string beyond its maximum", [&] { std::string s; s.reserve(s.max_size() + 1); },
         "basic_string::_M_create"},
        {"stoi of a word", [] { (void)std::stoi("word"); }, "stoi"},
        {"stoi beyond int", [] { (void)std::stoi("99999999999"); }, "stoi"},
        {"bitset beyond unsigned long", [] { (void)std::bitset<64>(~0ull).to_ulong(); },
         "_Base_bitset::_M_do_to_ulong"},
    };
    for (const MisuseCase& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            c.misuse();
            ADD_FAILURE() << "nothing thrown";
        } catch (const std::exception& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
            // Thrown by the deliverables' helper, not the runtime's: the test links what they link.
            EXPECT_NE(std::string(typeid(e).name()).find("StdLibraryError"), std::string::npos)
                << typeid(e).name();
        }
    }
}

TEST(StdThrowHelpers, ImpossibleAllocationsStayBadAlloc) {
    std::allocator<int> allocator;
    // Beyond the allocator's maximum, and beyond what the size type can count in bytes.
    for (std::size_t count : {static_cast<std::size_t>(PTRDIFF_MAX) / sizeof(int) + 1, SIZE_MAX / 2})
        EXPECT_THROW(allocator.deallocate(allocator.allocate(count), count), std::bad_alloc) << count;
}

} // namespace
