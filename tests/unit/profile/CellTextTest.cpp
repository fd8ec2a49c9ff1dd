#include <gtest/gtest.h>

#include <string>

#include "Scratch.h"
#include "TextLines.h"
#include "export/records/CellText.h"
#include "profile/TransferProfile.h"

namespace exl::test {
namespace {

TEST(CellTextTest, WhatEachProfileHandsToExcel) {
    struct Case {
        const char* value;
        const char* byDefault;
        const char* withFormulas;
        const char* asText;
    };
    const Case cases[] = {
        {"0012", "0012", "0012", "'0012"},
        {"8.8", "8.8", "8.8", "'8.8"},
        {"12,5", "12,5", "12,5", "'12,5"},
        {"1E5", "1E5", "1E5", "'1E5"},
        {"=1+1", "'=1+1", "=1+1", "'=1+1"},
        {"@SUM(A1)", "'@SUM(A1)", "@SUM(A1)", "'@SUM(A1)"},
        {"-M8", "'-M8", "-M8", "'-M8"},
        {"+49 (711) 1234", "'+49 (711) 1234", "+49 (711) 1234", "'+49 (711) 1234"},
        {"-1.234,5", "-1.234,5", "-1.234,5", "'-1.234,5"},
        {"-12 %", "-12 %", "-12 %", "'-12 %"},
        {"-5", "-5", "-5", "-5"},
        {"4", "4", "4", "4"},
        {"0", "0", "0", "0"},
        {"-0", "-0", "-0", "'-0"},
        {"-012", "-012", "-012", "'-012"},
        {"-123456789012345", "-123456789012345", "-123456789012345", "-123456789012345"},
        {"'zitat", "'zitat", "'zitat", "''zitat"},
        {"123456789012345", "123456789012345", "123456789012345", "123456789012345"},
        {"1234567890123456", "1234567890123456", "1234567890123456", "'1234567890123456"},
        {"=", "'=", "=", "'="},
        {"+", "+", "+", "'+"},
        {"-", "-", "-", "'-"},
        {"'", "'", "'", "''"},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(TextForExcel(c.value, {}), c.byDefault);
        EXPECT_EQ(TextForExcel(c.value, {true, false}), c.withFormulas);
        EXPECT_EQ(TextForExcel(c.value, {false, true}), c.asText);
        EXPECT_EQ(TextForExcel(c.value, {true, true}), c.asText);
    }
}

TEST(CellTextTest, OnlyOneSwitchesTheProfileKeysOn) {
    ScratchDirectory scratch{false};
    const std::string path = scratch.File("exl\\schalter.exl");
    const struct {
        const char* text;
        bool on;
    } cases[] = {{"1", true}, {" 1 ", true}, {"0", false}, {"2", false}, {"-1", false},
                 {"ja", false}, {"", false}, {nullptr, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(absent)");
        std::string content = "[Datei]\r\n";
        if (c.text) content += std::string("Formeln=") + c.text + "\r\nAlsText=" + c.text + "\r\n";
        WriteFile(path, content);
        const TransferProfile profile(path);
        EXPECT_EQ(profile.FormulasAllowed(), c.on);
        EXPECT_EQ(profile.ValuesAsText(), c.on);
    }
    WriteFile(path, "[Datei]\r\nAlsText=" + std::string(300, '1') + "\r\n");
    EXPECT_FALSE(TransferProfile(path).ValuesAsText());
}

}  // namespace
}  // namespace exl::test
