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
        return std::nullopt;
    case ImportFileKind::Workbook:
        return QStringLiteral("暂不能读取Excel工作簿（*.xls、*.xlsx），"
                              "请在表格程序中另存为CSV文件后再导入。");
    case ImportFileKind::Unknown:
        break;
    }
    return QStringLiteral("不能识别这种文件，请选择CSV文件（*.csv）或vCard文件（*.vcf）。");
}
