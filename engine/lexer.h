// lexer.h: turns the framed sources of a context into raw tokens, records
// them in the token stream, or replays a stored stream; runs the token
// actions (names entered, literal constants allocated).
#pragma once
#include <string>
#include <vector>

#include "engine/context.h"

namespace tessel {

struct Token {
    int kind = T_EOF;  // kind after the token action
    int raw = T_EOF;   // kind before the action (identifier, integer, ...)
    int name = 0;      // name-table index for names and literals
    std::string text;  // text as written (identifiers without the type character)
    char suffix = 0;   // type character of an identifier or literal
    int source = 1, line = 0, column = 0, length = 0;
    size_t lineStart = 0, pos = 0;  // offsets into the source text (scanning only)
    bool atLineStart = false;
};

class Lexer {
  public:
    Lexer(ScriptContext& ctx, bool replay, const std::vector<StreamToken>* tokens,
          const std::vector<std::string>* names);
    // Next raw token with its action applied. False when the token action
    // failed (an error has been reported).
    bool Next(Token& t);
    // The text of the current line before and after a token (for messages).
    void LineAround(const Token& t, std::string& before, std::string& after) const;
    bool Replaying() const { return replay_; }

  private:
    bool Scan(Token& t);
    bool Replay(Token& t);
    bool Action(Token& t);
    void Record(const Token& t, int value);
    ScriptContext& ctx_;
    bool replay_;
    const std::vector<StreamToken>* tokens_;
    const std::vector<std::string>* names_;
    size_t replayPos_ = 0;
    size_t src_ = 0;  // index into ctx.sources
    size_t pos_ = 0;
    size_t lineStart_ = 0;
    int prevKind_ = T_EOL;
};

}  // namespace tessel
