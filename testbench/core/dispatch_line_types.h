#pragma once

#include <QStringList>

namespace bench {

// The dispatch server's line types, by their number in the configuration record.
inline QStringList DispatchLineTypes() {
    return {QStringLiteral("未知"), QStringLiteral("电信"), QStringLiteral("联通"),
            QStringLiteral("移动"), QStringLiteral("其他")};
}

}  // namespace bench
