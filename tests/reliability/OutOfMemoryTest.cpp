// The command's text getters with memory running out for real: the heap
// refuses the next allocation made on this thread, inside the getter itself.
// A binary of its own, since it puts its own malloc in front of the heap.

#include "FakeHost.h"

#include "QuarnelVisibility.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <cerrno>
#include <cstddef>

extern "C" {
// The heap behind this malloc: AddressSanitizer's when it is there, else the C library's.
void *__interceptor_malloc(std::size_t size) __attribute__((weak));
void *__libc_malloc(std::size_t size);
}

namespace {

// Plain data under atomic builtins: the malloc below may call no instrumented code.
bool refuseNext = false;
pthread_t refusingThread;

} // namespace

// Not instrumented: the sanitizers' own start-up allocates through it before
// their shadow memory exists.
extern "C" __attribute__((no_sanitize("address", "undefined"))) void *malloc(std::size_t size) noexcept
{
    if (__atomic_load_n(&refuseNext, __ATOMIC_ACQUIRE) && pthread_equal(pthread_self(), refusingThread)) {
        __atomic_store_n(&refuseNext, false, __ATOMIC_RELEASE);
        errno = ENOMEM;
        return nullptr;
    }
    return __interceptor_malloc ? __interceptor_malloc(size) : __libc_malloc(size);
}

namespace {

/// Makes the next allocation on this thread fail.
void refuseNextAllocation()
{
    refusingThread = pthread_self();
    __atomic_store_n(&refuseNext, true, __ATOMIC_RELEASE);
}

using Getter = Com::HRESULT (QuarnelVisibility::*)(QString *);

struct TextGetter
{
    const char *procedure;
    Getter getter;
    bool allocates; ///< builds its text; the others hand out shared constant text
};

TEST(OutOfMemory, TextGettersThatBuildTextShowTheirBoxAndGiveEmptyText)
{
    fake::FakeHost host;
    const TextGetter getters[] = {
        {"ICommand_Name", &QuarnelVisibility::get_Name, true},
        {"ICommand_Tooltip", &QuarnelVisibility::get_Tooltip, true},
        {"ICommand_Message", &QuarnelVisibility::get_Message, true},
        {"ICommand_Caption", &QuarnelVisibility::get_Caption, false},
        {"ICommand_Category", &QuarnelVisibility::get_Category, false},
    };
    QuarnelVisibility *command = new QuarnelVisibility;
    command->AddRef();
    command->SetSite(host.services);
    for (const TextGetter &getter : getters) {
        host.boxes->boxes.clear();
        QString expected;
        ASSERT_EQ((command->*getter.getter)(&expected), Com::S_OK);
        ASSERT_FALSE(expected.isEmpty());

        QString text = QStringLiteral("stale");
        refuseNextAllocation();
        const Com::HRESULT result = (command->*getter.getter)(&text);
        const bool refused = !__atomic_exchange_n(&refuseNext, false, __ATOMIC_ACQ_REL);
        EXPECT_EQ(result, Com::S_OK) << getter.procedure;
        EXPECT_EQ(refused, getter.allocates) << getter.procedure;
        if (getter.allocates) {
            EXPECT_TRUE(text.isEmpty()) << getter.procedure;
            ASSERT_EQ(host.boxes->boxes.size(), 1u) << getter.procedure;
            EXPECT_EQ(host.boxes->boxes[0].text,
                      QStringLiteral("Error: ") + QLatin1String(getter.procedure) + QStringLiteral("()"));
            EXPECT_EQ(host.boxes->boxes[0].title, QStringLiteral("QuarnelVisibility"));
        } else {
            // Copying constant text allocates nothing: there is nothing to fail.
            EXPECT_EQ(text, expected) << getter.procedure;
            EXPECT_TRUE(host.boxes->boxes.empty()) << getter.procedure;
        }
    }
    command->Release();
}

} // namespace
