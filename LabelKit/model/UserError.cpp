#include "LabelKit/model/UserError.h"

#include <utility>

namespace vantrel {

UserError::UserError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

} // namespace vantrel
