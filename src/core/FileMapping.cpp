#include "core/FileMapping.h"

#include <utility>

namespace core {

MappedView::MappedView(MappedView&& other) noexcept
    : m_base(other.m_base), m_mappedSize(other.m_mappedSize), m_data(other.m_data) {
    other.m_base = nullptr;
    other.m_mappedSize = 0;
    other.m_data = nullptr;
}

MappedView& MappedView::operator=(MappedView&& other) noexcept {
    if (this != &other) {
        reset();
        std::swap(m_base, other.m_base);
        std::swap(m_mappedSize, other.m_mappedSize);
        std::swap(m_data, other.m_data);
    }
    return *this;
}

} // namespace core
