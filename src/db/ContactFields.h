// SPDX-License-Identifier: GPL-3.0-or-later
// The columns of a contact card as stored in Vardelin_Contact, in table order.
#pragma once

#include <QLatin1StringView>
#include <QString>

#include <array>

struct ContactField {
    enum class Kind { Identifier, Text, Date, Binary };

    QLatin1StringView name;
    Kind kind;
    // Header caption of the list column that shows this field; empty for fields
    // the list never shows (identifiers and the photo).
    const char16_t* caption;
};

namespace ContactFields {

using K = ContactField::Kind;

// Photo stays last: the list never reads it, and rows whose large values come
// last are read faster when the photo is skipped.
inline constexpr std::array<ContactField, 47> all{{
    {QLatin1StringView("ID"), K::Identifier, u""},
    {QLatin1StringView("UID"), K::Identifier, u""},
    {QLatin1StringView("TID"), K::Identifier, u""},
    {QLatin1StringView("Name"), K::Text, u"姓名"},
    {QLatin1StringView("Py"), K::Text, u"拼音"},
    {QLatin1StringView("Sex"), K::Text, u"性别"},
    {QLatin1StringView("Tel1"), K::Text, u"电话1"},
    {QLatin1StringView("Tel2"), K::Text, u"电话2"},
    {QLatin1StringView("Tel3"), K::Text, u"宅电"},
    {QLatin1StringView("Moblie1"), K::Text, u"手机1"},
    {QLatin1StringView("Moblie2"), K::Text, u"手机2"},
    {QLatin1StringView("Moblie3"), K::Text, u"手机3"},
    {QLatin1StringView("Address"), K::Text, u"地址"},
    {QLatin1StringView("CompanyName"), K::Text, u"单位名称"},
    {QLatin1StringView("Deptment"), K::Text, u"所在部门"},
    {QLatin1StringView("Post"), K::Text, u"职务"},
    {QLatin1StringView("OfficePhone1"), K::Text, u"办公电话1"},
    {QLatin1StringView("OfficePhone2"), K::Text, u"办公电话2"},
    {QLatin1StringView("CompanyAddress"), K::Text, u"单位地址"},
    {QLatin1StringView("QQ1"), K::Text, u"QQ1"},
    {QLatin1StringView("QQ2"), K::Text, u"QQ2"},
    {QLatin1StringView("MSN"), K::Text, u"MSN"},
    {QLatin1StringView("Mail1"), K::Text, u"Email1"},
    {QLatin1StringView("Mail2"), K::Text, u"Email2"},
    {QLatin1StringView("Web"), K::Text, u"网址"},
    {QLatin1StringView("ZipCode"), K::Text, u"邮编"},
    {QLatin1StringView("Office"), K::Text, u"办公室"},
    {QLatin1StringView("Job"), K::Text, u"职业"},
    {QLatin1StringView("Related1"), K::Text, u"相关人1"},
    {QLatin1StringView("Related2"), K::Text, u"相关人2"},
    {QLatin1StringView("Custom1"), K::Text, u"自定义1"},
    {QLatin1StringView("Custom2"), K::Text, u"自定义2"},
    {QLatin1StringView("Custom3"), K::Text, u"自定义3"},
    {QLatin1StringView("Custom4"), K::Text, u"自定义4"},
    {QLatin1StringView("Grade"), K::Text, u"星"},
    {QLatin1StringView("NickName"), K::Text, u"昵称"},
    {QLatin1StringView("Title"), K::Text, u"称谓"},
    {QLatin1StringView("Hobby"), K::Text, u"爱好"},
    {QLatin1StringView("Specialty"), K::Text, u"特长"},
    {QLatin1StringView("Remark"), K::Text, u"备注"},
    {QLatin1StringView("Birthday"), K::Date, u"生日"},
    {QLatin1StringView("MemorialDay"), K::Date, u"纪念日"},
    {QLatin1StringView("Member"), K::Text, u"家庭成员"},
    {QLatin1StringView("Spouse"), K::Text, u"配偶"},
    {QLatin1StringView("SpouseTel"), K::Text, u"配偶电话"},
    {QLatin1StringView("AddDate"), K::Date, u"更新日期"},
    {QLatin1StringView("Photo"), K::Binary, u""},
}};

// The list's group column reads Vardelin_Type rather than a contact field.
inline constexpr QLatin1StringView groupNameColumn("T.Name");
inline constexpr const char16_t* groupNameCaption = u"所属分类";

} // namespace ContactFields
