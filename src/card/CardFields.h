// SPDX-License-Identifier: GPL-3.0-or-later
// The contact card's fields in card order: where each sits, what edits it, which column it holds.
#pragma once

#include <QLatin1StringView>
#include <QStringList>

#include <array>
#include <vector>

struct CardField {
    // The boxes of the card's two field pages, in the order the eye reads them.
    enum class Frame {
        Heading,    // 基本信息: name, sex and group in one row
        Photo,      // 基本信息: the photo frame left of the phones
        Phones,     // 基本信息: the unnamed frame GroupBox1
        Work,       // 基本信息: "工作" GroupBox2
        Network,    // 基本信息: "网络" GroupBox3
        UpperLeft,  // 自定义信息, upper band
        UpperRight, //
        LowerLeft,  // 自定义信息, lower band
        LowerRight, //
        Bottom,     // 自定义信息: the remarks across both columns
    };
    enum class Editor {
        Line,         // single-line text box
        SexList,      // drop-down list "男", "女"
        GradeList,    // drop-down list "1星".."5星"
        GroupList,    // drop-down list of groups; holds TID
        EditableList, // editable combo of values already stored
        Date,         // date picker that may hold no date
        Memo,         // several lines of text
        Picture,      // the photo
    };

    QLatin1StringView control;
    const char16_t* label; // caption before the control; empty for the photo
    Frame frame;
    // Grid place inside the frame: row, and 0 or 1 for the left or right pair of a row
    // that holds two; -1 for a box that spans the whole row.
    int row;
    int pair;
    Editor editor;
    QLatin1StringView column; // empty: the box is neither loaded nor saved
};

namespace CardFields {

using F = CardField::Frame;
using E = CardField::Editor;
using L = QLatin1StringView;

// Card order: the order of loading and (from Tel1 on) of saving.
inline constexpr std::array<CardField, 44> all{{
    {L("Edit_Name"), u"姓名：", F::Heading, 0, 0, E::Line, L("Name")},
    {L("Edit_Sex"), u"性别：", F::Heading, 0, 1, E::SexList, L("Sex")},
    {L("Edit_Type"), u"所属分类：", F::Heading, 0, 2, E::GroupList, L("TID")},
    {L("Edit_Tel1"), u"电话：", F::Phones, 0, 0, E::Line, L("Tel1")},
    {L("Edit_Tel2"), u"电话：", F::Phones, 1, 0, E::Line, L("Tel2")},
    {L("Edit_Tel3"), u"宅电：", F::Phones, 2, 0, E::Line, L("Tel3")},
    {L("Edit_Moblie1"), u"手机：", F::Phones, 0, 1, E::Line, L("Moblie1")},
    {L("Edit_Moblie2"), u"手机：", F::Phones, 1, 1, E::Line, L("Moblie2")},
    {L("Edit_Moblie3"), u"手机：", F::Phones, 2, 1, E::Line, L("Moblie3")},
    {L("Edit_Address"), u"地址：", F::Phones, 3, -1, E::Line, L("Address")},
    {L("Edit_CompanyName"), u"单位名称：", F::Work, 0, -1, E::Line, L("CompanyName")},
    {L("Edit_Deptment"), u"所在部门：", F::Work, 1, 0, E::EditableList, L("Deptment")},
    {L("Edit_Post"), u"职务：", F::Work, 1, 1, E::EditableList, L("Post")},
    {L("Edit_OfficePhone1"), u"办公电话：", F::Work, 2, -1, E::Line, L("OfficePhone1")},
    {L("Edit_OfficePhone2"), u"办公电话：", F::Work, 3, -1, E::Line, L("OfficePhone2")},
    {L("Edit1_Fax"), u"传真号码：", F::Work, 4, 0, E::Line, L()},
    {L("Edit_ZipCode"), u"邮编：", F::Work, 4, 1, E::Line, L("ZipCode")},
    {L("Edit_CompanyAddress"), u"单位地址：", F::Work, 5, -1, E::Line, L("CompanyAddress")},
    {L("Edit_QQ1"), u"QQ：", F::Network, 0, -1, E::Line, L("QQ1")},
    {L("Edit_QQ2"), u"QQ：", F::Network, 1, -1, E::Line, L("QQ2")},
    {L("Edit_Msn"), u"MSN：", F::Network, 2, -1, E::Line, L("MSN")},
    {L("Edit_Email1"), u"Email：", F::Network, 3, -1, E::Line, L("Mail1")},
    {L("Edit_Email2"), u"Email：", F::Network, 4, -1, E::Line, L("Mail2")},
    {L("Edit_Web"), u"网址：", F::Network, 5, -1, E::Line, L("Web")},
    {L("Edit_Office"), u"办公室：", F::UpperLeft, 0, -1, E::Line, L("Office")},
    {L("Edit_Job"), u"职业：", F::UpperLeft, 1, -1, E::Line, L("Job")},
    {L("Edit_Related1"), u"相关人1：", F::UpperLeft, 2, -1, E::Line, L("Related1")},
    {L("Edit_Related2"), u"相关人2：", F::UpperLeft, 3, -1, E::Line, L("Related2")},
    {L("Edit_Grade"), u"星：", F::LowerLeft, 0, -1, E::GradeList, L("Grade")},
    {L("Edit_NickName"), u"昵称：", F::LowerLeft, 1, -1, E::Line, L("NickName")},
    {L("Edit_Title"), u"称谓：", F::LowerLeft, 2, -1, E::Line, L("Title")},
    {L("Edit_Hobby"), u"爱好：", F::LowerLeft, 3, -1, E::Line, L("Hobby")},
    {L("Edit_Specialty"), u"特长：", F::LowerLeft, 4, -1, E::Line, L("Specialty")},
    {L("Edit_Remark"), u"备注：", F::Bottom, 0, -1, E::Memo, L("Remark")},
    {L("Edit_Custom1"), u"自定义1：", F::UpperRight, 0, -1, E::Line, L("Custom1")},
    {L("Edit_Custom2"), u"自定义2：", F::UpperRight, 1, -1, E::Line, L("Custom2")},
    {L("Edit_Custom3"), u"自定义3：", F::UpperRight, 2, -1, E::Line, L("Custom3")},
    {L("Edit_Custom4"), u"自定义4：", F::UpperRight, 3, -1, E::Line, L("Custom4")},
    {L("Edit_Birthday"), u"生日：", F::LowerRight, 0, -1, E::Date, L("Birthday")},
    {L("Edit_MemorialDay"), u"纪念日：", F::LowerRight, 1, -1, E::Date, L("MemorialDay")},
    {L("Edit_Member"), u"家庭成员：", F::LowerRight, 2, -1, E::Line, L("Member")},
    {L("Edit_Spouse"), u"配偶：", F::LowerRight, 3, -1, E::Line, L("Spouse")},
    {L("Edit_SpouseTel"), u"配偶电话：", F::LowerRight, 4, -1, E::Line, L("SpouseTel")},
    {L("Edit_Photo"), u"", F::Photo, 0, -1, E::Picture, L("Photo")},
}};

// Columns the save writes that no control holds.
inline constexpr L userColumn("UID");
inline constexpr L initialColumn("Py");
inline constexpr L savedOnColumn("AddDate");

// The columns a save writes, in the order it binds them: UID, TID, Name, Py, Sex, the card's
// fields from Tel1 on in card order, Photo, AddDate.
QStringList saveOrder();

// The order the Tab key walks the fields: frame by frame as the card shows them (the photo
// right after the heading, each band's left column before its right, the remarks last), and
// inside a frame in card order.
std::vector<const CardField*> tabOrder();

} // namespace CardFields
