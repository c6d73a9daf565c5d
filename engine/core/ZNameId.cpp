#include "engine/core/ZNameId.h"

ZNameId::ZNameId(const std::string& text) : m_id(ZNameHash(int32_t(text.size()), text.data())) {}
