#pragma once
// A shipped language pack (resources/Language/<title>.lang) installed for
// the life of a test; the built-in texts come back at its end. The test
// program defines OSTREL_SHIPPED_PACKS and links the shell.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "shell/language.h"

namespace test_support {

class ScopedShippedLanguage {
public:
    explicit ScopedShippedLanguage(const std::string& title) {
        auto pack =
            shell::LoadLanguagePack(std::string(OSTREL_SHIPPED_PACKS) + "/" + title + ".lang");
        EXPECT_TRUE(pack.has_value()) << title;
        if (pack)
            m_pack = std::make_shared<const shell::CLanguagePack>(std::move(*pack));
        shell::InstallLanguage(m_pack, title);
    }
    ~ScopedShippedLanguage() { shell::InstallLanguage(nullptr, ""); }
    ScopedShippedLanguage(const ScopedShippedLanguage&) = delete;
    ScopedShippedLanguage& operator=(const ScopedShippedLanguage&) = delete;

    // The installed pack (empty when it could not be read).
    const shell::CLanguagePack& Pack() const { return m_pack ? *m_pack : m_none; }

private:
    std::shared_ptr<const shell::CLanguagePack> m_pack;
    shell::CLanguagePack m_none;
};

} // namespace test_support
