#include "app/SaveOnQuit.h"

#include <utility>

namespace vantrel {

SaveOnQuit::Registration::Registration(Registration&& other) noexcept
    : m_owner(std::exchange(other.m_owner, nullptr)), m_key(std::exchange(other.m_key, 0)) {}

SaveOnQuit::Registration& SaveOnQuit::Registration::operator=(Registration&& other) noexcept {
    if (this != &other) {
        release();
        m_owner = std::exchange(other.m_owner, nullptr);
        m_key = std::exchange(other.m_key, 0);
    }
    return *this;
}

SaveOnQuit::Registration::~Registration() {
    release();
}

void SaveOnQuit::Registration::release() {
    if (m_owner) {
        m_owner->m_flushes.erase(m_key);
    }
    m_owner = nullptr;
}

SaveOnQuit::SaveOnQuit(QObject* parent) : QObject(parent) {}

SaveOnQuit::Registration SaveOnQuit::add(Flush flush) {
    const quint64 key = m_nextKey++;
    m_flushes.emplace(key, std::move(flush));
    return Registration(this, key);
}

void SaveOnQuit::flushAll() {
    // A flush may unregister others (an editor closing on save): walk a copy of the keys.
    std::vector<quint64> keys;
    for (const auto& [key, flush] : m_flushes) {
        keys.push_back(key);
    }
    for (const quint64 key : keys) {
        const auto it = m_flushes.find(key);
        if (it != m_flushes.end()) {
            Flush flush = it->second;
            flush();
        }
    }
}

} // namespace vantrel
