// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImportFileKind.h"

#include <QFileInfo>

ImportFileKind importFileKind(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"csv")
        return ImportFileKind::Csv;
    if (suffix == u"vcf" || suffix == u"vcard")
        return ImportFileKind::VCard;
    if (suffix == u"xls" || suffix == u"xlsx")
        return ImportFileKind::Workbook;
    return ImportFileKind::Unknown;
}

std::optional<QString> unreadableKindNotice(ImportFileKind kind)
{
    switch (kind) {
    case ImportFileKind::Csv:
    case ImportFileKind::VCard:
    case ImportFileKind::Workbook:
        return std::nullopt;
    case ImportFileKind::Unknown:
        break;
    }
    return QStringLiteral("不能识别这种文件，请选择Excel工作簿（*.xls、*.xlsx）、"
                          "CSV文件（*.csv）或vCard文件（*.vcf）。");
}
