// The editor's window, played in memory: a country list that sorts itself
// by name, and edit fields whose changes notify the editor as the dialog's
// would (a full-number change runs the parse, a part's change the compose).
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "shell/Text.h"
#include "ui/PhoneEditor.h"

class FakeEditorView : public phone_editor::View {
public:
    phone_editor::Editor* editor = nullptr;
    std::map<phone_editor::Field, std::string> texts;
    std::map<phone_editor::Field, bool> enabled;
    std::map<phone_editor::Field, size_t> limits;
    std::vector<phone_editor::Country> countries;   // in shown (name) order
    int selected = -1;
    bool okEnabled = false;
    std::vector<std::string> messages;              // caption + "|" + text

    std::string Text(phone_editor::Field f, size_t limit) override { return texts[f].substr(0, limit); }
    void SetText(phone_editor::Field f, const std::string& t) override {
        texts[f] = t;   // the edit control holds the new text when it reports
        if (f == phone_editor::Field::Full) editor->FullNumberChanging();
        if (f == phone_editor::Field::Area || f == phone_editor::Field::Number) editor->PartsChanged();
    }
    void SetLimit(phone_editor::Field f, size_t limit) override { limits[f] = limit; }
    void EnableField(phone_editor::Field f, bool on) override { enabled[f] = on; }
    void EnableOk(bool on) override { okEnabled = on; }
    void AddCountry(const phone_editor::Country& c) override {
        auto at = std::upper_bound(countries.begin(), countries.end(), c, [](const auto& a, const auto& b) {
            return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                                [](char x, char y) { return text::FoldAscii(x) < text::FoldAscii(y); });
        });
        countries.insert(at, c);
    }
    int CountryCount() override { return static_cast<int>(countries.size()); }
    uint32_t CountryCodeAt(int i) override { return countries[i].code; }
    int SelectedCountry() override { return selected; }
    void SelectCountry(int i) override { selected = i; }
    void ShowMessage(const std::string& caption, const std::string& t) override { messages.push_back(caption + "|" + t); }

    // What the user does: typing (each change notifies) and choosing a country.
    void Type(phone_editor::Field f, const std::string& t) { SetText(f, t); }
    void Choose(const std::string& name) {
        for (size_t i = 0; i < countries.size(); ++i)
            if (countries[i].name == name) selected = static_cast<int>(i);
        editor->PartsChanged();
    }
    std::string SelectedName() const { return selected < 0 ? "" : countries[selected].name; }
};
