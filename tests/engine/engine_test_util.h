// engine_test_util.h: a context fixture that collects output lines and
// messages through the output callback.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/tessel.h"

struct Message {
    int kind, code, source, line, column, length;
    std::string text;
};

inline std::vector<Message>* g_messages = nullptr;

inline void CollectOutput(const TesMessageInfo* info) {
    if (g_messages)
        g_messages->push_back({info->kind, info->code, info->source, info->line, info->column,
                               info->length, info->text ? info->text : ""});
}

class Engine {
  public:
    Engine() {
        EXPECT_EQ(tesCreateContext("test", 0, 0, &ctx), TES_OK);
        g_messages = &messages;
        tesRegisterOutputCallback(ctx, CollectOutput);
    }
    ~Engine() {
        tesFreeContext(ctx);
        g_messages = nullptr;
    }
    TesResult Compile(const std::string& text) {
        TesResult r = tesAppendText(ctx, text.c_str());
        return r ? r : tesCompile(ctx);
    }
    // Compiles and runs; returns the execute result (or the compile result).
    TesResult Run(const std::string& text) {
        TesResult r = Compile(text);
        return r ? r : tesExecute(ctx);
    }
    std::string Output() const {
        std::string s;
        for (const auto& m : messages)
            if (m.kind == 0) s += m.text + "\n";
        return s;
    }
    std::vector<Message> Errors() const {
        std::vector<Message> e;
        for (const auto& m : messages)
            if (m.kind == 1) e.push_back(m);
        return e;
    }
    TesContext ctx = 0;
    std::vector<Message> messages;
};
