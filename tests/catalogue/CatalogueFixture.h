// A host stand-in, a fresh gateway folder and captured message boxes for
// each test of the catalogue.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StandIn.h"
#include "TempDir.h"
#include "catalogue/Catalogue.h"
#include "catalogue/GatewayFolder.h"
#include "shell/UserMessage.h"

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        static const usermsg::Interceptor interceptor{
            [](const char* text, void* context) {
                static_cast<CatalogueTest*>(context)->boxes.push_back(text ? text : "");
            },
            nullptr, nullptr};
        usermsg::Interceptor mine = interceptor;
        mine.context = this;
        usermsg::SetInterceptor(&mine);
        folder = dir.path().string();
        SetGatewayFolder(folder);
        ASSERT_EQ(0, CreateCatalogue());
    }
    void TearDown() override {
        FreeCatalogue();
        usermsg::SetInterceptor(nullptr);
    }

    // Writes a definition file `name` into the gateway folder.
    void Gateway(const std::string& name, const std::string& gatewaySection = "Name=Test\n") {
        testutil::WriteFile(dir.file(name), "[Gateway]\n" + gatewaySection);
    }
    void OrderFile(const std::string& content) { testutil::WriteFile(dir.file("gateways.ord"), content); }

    // The catalogue as "name" or "-name" (disabled), in order.
    static std::vector<std::string> Order() {
        std::vector<std::string> out;
        for (const GatewayView& view : ListGateways()) out.push_back((view.enabled ? "" : "-") + view.name);
        return out;
    }

    testutil::TempDir dir;
    std::string folder;
    std::vector<std::string> boxes;
};

using Names = std::vector<std::string>;
