#pragma once
// The one boundary between the core's GBK texts and Qt's Unicode strings.
#include <QString>
#include <string>
#include <string_view>

namespace brevink {

QString toQt(std::string_view gbk);
std::string fromQt(const QString& text);

}  // namespace brevink
