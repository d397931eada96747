// The simulated machine's state and its failures: the failure injection, the call
// counts, what is still held, and the scope that checks it at a test's end.
#include "sim/sim_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace simwin {

SimState::SimState()
{
    std::string pattern = (fs::temp_directory_path() / "kestrava-sim-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()))
        colorDir = buffer.data();
    else
        ADD_FAILURE() << "cannot create the simulated colour directory under " << pattern;

    systemTexts = {
        {2, "The system cannot find the file specified.\r\n"},
        {5, "Access is denied.\r\n"},
        {87, "The parameter is incorrect.\r\n"},
        {2011, "The specified color profile is invalid.\r\n"},
    };
}

SimState::~SimState()
{
    // SimScope has reported anything still held; release it so the sanitizer's leak
    // check stays about the product.
    for (void* block : heapBlocks)
        std::free(block);
    for (void* block : localBlocks)
        std::free(block);

    if (!colorDir.empty()) {
        std::error_code ec;
        fs::remove_all(colorDir, ec);
    }
}

bool SimState::Intercept(SimCall call)
{
    ++calls[call];
    auto it = failures.find(call);
    if (it == failures.end())
        return false;
    PendingFailure& pending = it->second;
    if (pending.skip > 0) {
        --pending.skip;
        return false;
    }
    lastError = pending.lastError;
    if (--pending.times <= 0)
        failures.erase(it);
    return true;
}

bool SimState::Fails(uint32_t code)
{
    lastError = code;
    return false;
}

std::optional<int32_t> SimState::InterceptCode(SimCall call)
{
    const uint32_t saved = lastError;
    if (!Intercept(call))
        return std::nullopt;
    const auto code = static_cast<int32_t>(lastError);
    lastError = saved;
    return code;
}

}  // namespace simwin

SimPlatform::SimPlatform() : m_state(std::make_unique<simwin::SimState>()) {}

SimPlatform::~SimPlatform() = default;

// ---- Failing calls and bookkeeping ----

void SimPlatform::Fail(SimCall call, uint32_t lastError, int times, int skip)
{
    if (times <= 0) {
        m_state->failures.erase(call);
        return;
    }
    m_state->failures[call] = {lastError, times, std::max(skip, 0)};
}

void SimPlatform::ClearFailures() { m_state->failures.clear(); }

int SimPlatform::CallCount(SimCall call) const
{
    auto it = m_state->calls.find(call);
    return it == m_state->calls.end() ? 0 : it->second;
}

int SimPlatform::OpenProfiles() const { return static_cast<int>(m_state->profiles.size()); }
int SimPlatform::OpenDcs() const { return static_cast<int>(m_state->dcs.size()); }
int SimPlatform::HeapBlocks() const { return static_cast<int>(m_state->heapBlocks.size()); }
int SimPlatform::LocalBlocks() const { return static_cast<int>(m_state->localBlocks.size()); }

// ---- SimScope ----

SimScope::SimScope() : m_previous(SetPlatform(&m_sim)) {}

SimScope::~SimScope()
{
    if (m_sim.OpenProfiles() != 0)
        ADD_FAILURE() << "OpenProfiles: " << m_sim.OpenProfiles() << " colour profile(s) left open";
    if (m_sim.OpenDcs() != 0)
        ADD_FAILURE() << "OpenDcs: " << m_sim.OpenDcs() << " device context(s) left open";
    if (m_sim.HeapBlocks() != 0)
        ADD_FAILURE() << "HeapBlocks: " << m_sim.HeapBlocks() << " heap block(s) not freed";
    if (m_sim.LocalBlocks() != 0)
        ADD_FAILURE() << "LocalBlocks: " << m_sim.LocalBlocks() << " system text(s) not released";
    SetPlatform(m_previous);
}
