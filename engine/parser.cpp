// parser.cpp: the compiler's token handling and statements. Every parse
// function opens with the grammar rule it implements; instructions are
// emitted as each statement is recognised (a single pass).
#include "engine/parser.h"

#include <strings.h>

#include <cstring>

namespace tessel {

Compiler::Compiler(ScriptContext& ctx, bool replay, const std::vector<StreamToken>* tokens,
                   const std::vector<std::string>* names)
    : ctx_(ctx), lex_(ctx, replay, tokens, names) {}

// ---- tokens ---------------------------------------------------------------

Token Compiler::RawNext() {
    if (!ahead_.empty()) {
        Token t = std::move(ahead_.front());
        ahead_.pop_front();
        return t;
    }
    Token t;
    if (!lex_.Next(t)) throw CompileStop{TES_E_SYNTAX};
    if (ctx_.streamOverflow) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "Program exceeds %d tokens\n", kMaxTokens);
        ReportError(ctx_, buf);
        throw CompileStop{TES_E_SYNTAX};
    }
    return t;
}

const Token& Compiler::Peek() {
    if (ahead_.empty()) {
        Token t;
        if (!lex_.Next(t)) throw CompileStop{TES_E_SYNTAX};
        ahead_.push_back(std::move(t));
    }
    return ahead_.front();
}

void Compiler::Advance() {
    Token t = RawNext();
    // A token starting with an underscore before a line end continues the line.
    while (t.raw == T_IDENT && !t.text.empty() && t.text[0] == '_' && Peek().kind == T_EOL) {
        RawNext();
        t = RawNext();
    }
    if ((prevKind_ == T_DOT || prevKind_ == T_WITHDOT) && t.raw == T_IDENT) {
        t.kind = T_IDENT;  // a member name, even when it is spelled like a keyword
    } else if (afterGoto_) {
        afterGoto_ = false;
        if (t.raw == T_IDENT || t.raw == T_INTEGER) t.kind = T_IDENT;
    } else if (prevKind_ == T_EOL && t.raw == T_IDENT &&
               (t.kind == T_IDENT || t.kind == T_DECLLABEL) && !t.suffix &&
               Peek().kind == T_COLON) {
        RawNext();  // the colon of the label
        t.kind = T_DECLLABEL;
    } else if (prevKind_ == T_EOL && t.raw == T_INTEGER) {
        t.kind = T_DECLLABEL;
    }
    if (t.kind == T_END) {
        int k = Peek().kind;
        if (k == T_EOL || k == T_COLON || k == T_EOF) t.kind = T_ENDSTMT;
    }
    if (t.kind == T_GOTO || t.kind == T_GOSUB) afterGoto_ = true;
    prevKind_ = t.kind;
    tok_ = std::move(t);
}

bool Compiler::Accept(int kind) {
    if (tok_.kind != kind) return false;
    Advance();
    return true;
}

void Compiler::Expect(int kind) {
    if (tok_.kind != kind) SyntaxError();
    Advance();
}

void Compiler::SyntaxError() {
    std::string before, after;
    lex_.LineAround(tok_, before, after);
    SyntaxWhere where = tok_.kind == T_EOF   ? kSyntaxAtEndOfFile
                        : tok_.kind == T_EOL ? kSyntaxAtEndOfLine
                                             : kSyntaxAtToken;
    std::string text = tok_.text;
    if (tok_.raw == T_IDENT && tok_.suffix) text += tok_.suffix;
    if (tok_.raw == T_STRING) text = "\"" + text + "\"";
    ReportSyntax(ctx_, text, tok_.source, tok_.line, tok_.column, tok_.length, before, after,
                 where);
    throw CompileStop{TES_E_SYNTAX};
}

void Compiler::Push(int n) {
    depth_ += n;
    if (depth_ > kParserStackLimit) {
        ReportError(ctx_, "Parser stack overflow\n");
        throw CompileStop{TES_E_STACKOVERFLOW};
    }
}

void Compiler::Error(const std::string& msg) {
    int saved = ctx_.line;
    ctx_.line = stmtLine_;
    ReportError(ctx_, msg);
    ctx_.line = saved;
}

// ---- program and blocks -----------------------------------------------------

// program -> block <eof
void Compiler::Program() {
    Advance();
    Block({});
    if (tok_.kind != T_EOF) SyntaxError();
    if (proc_) SyntaxError();
}

// block -> { [statement] (<eol | ':') }   ends before one of the stop tokens
int Compiler::Block(std::initializer_list<int> stops) {
    for (;;) {
        while (tok_.kind == T_EOL || tok_.kind == T_COLON) Advance();
        if (tok_.kind == T_EOF) return T_EOF;
        bool endType = tok_.kind == T_END && Peek().kind == T_TYPE;  // handled as a statement
        for (int s : stops)
            if (tok_.kind == s && !endType) return s;
        Statement();
        if (tok_.kind != T_EOL && tok_.kind != T_COLON && tok_.kind != T_EOF) SyntaxError();
    }
}

int Compiler::JumpIfFalse(Expr* cond) {
    if (cond->kind == E_BIN && cond->op >= OP_EQ && cond->op <= OP_GE) {
        int a = Compile(cond->kids[0]);
        int b = Compile(cond->kids[1]);
        int at = Emit(OP_JNOTREL, a, b, -1);
        ctx_.code[at].pad = (int16_t)cond->op;
        return at;
    }
    return Emit(OP_JFALSE, Compile(cond), -1, -1);
}

void Compiler::EndOfStatement() {
    if (tok_.kind != T_EOL && tok_.kind != T_COLON && tok_.kind != T_EOF) SyntaxError();
}

void Compiler::SkipToEol() {
    while (tok_.kind != T_EOL && tok_.kind != T_EOF) Advance();
}

// statement -> label [statement] | declaration | procedure | control | file | assignment | call
bool Compiler::Statement() {
    stmtLine_ = tok_.line;
    stmtSource_ = tok_.source;
    temps_ = 0;
    nodes_.clear();
    switch (tok_.kind) {
        case T_DECLLABEL: {
            // A label belongs to its procedure (or to the code outside any).
            int name = tok_.name;
            std::pair<int, int> key{LabelScope(), name};
            if (labels_.count(key)) Error("Duplicate definition: " + ctx_.names[name].text + "\n");
            labels_[key] = Here();
            if (ctx_.names[name].kind == T_IDENT) {
                if (proc_ && !savedKinds_.count(name)) savedKinds_[name] = T_IDENT;
                ctx_.names[name].kind = T_DECLLABEL;
            }
            Advance();
            if (tok_.kind != T_EOL && tok_.kind != T_COLON && tok_.kind != T_EOF)
                return Statement();
            return true;
        }
        case T_REM:
            SkipToEol();
            return true;
        case T_DIM:
        case T_STATIC:
        case T_GLOBAL:
            DimStatement(tok_.kind);
            return true;
        case T_CONST:
            ConstStatement();
            return true;
        case T_TYPE:
            TypeStatement();
            return true;
        case T_END:
            // END TYPE without an open TYPE
            if (Peek().kind != T_TYPE) SyntaxError();
            Advance();
            Advance();
            DefPop();
            return true;
        case T_DECLARE:
            DeclareStatement();
            return true;
        case T_OPTION:
            OptionStatement();
            return true;
        case T_PUBLIC:
        case T_PRIVATE:
        case T_QUALIFIER:
        case T_SUB:
        case T_FUNCTION:
            ProcedureDefinition();
            return true;
        case T_IF:
            IfStatement();
            return true;
        case T_SELECT:
            SelectStatement();
            return true;
        case T_FOR:
            ForStatement();
            return true;
        case T_DO:
            DoStatement();
            return true;
        case T_WHILE:
            WhileStatement();
            return true;
        case T_PRINT:
            PrintStatement(false);
            return true;
        case T_WRITE:
            PrintStatement(true);
            return true;
        case T_OPEN:
            OpenStatement();
            return true;
        case T_CLOSE:
            CloseStatement();
            return true;
        case T_INPUT:
            InputStatement(false);
            return true;
        case T_LINE:
            InputStatement(true);
            return true;
        case T_SEEK:
            SeekStatement();
            return true;
        case T_NAME:
            NameStatement();
            return true;
        case T_GOTO:
            GotoStatement(false);
            return true;
        case T_GOSUB:
            GotoStatement(true);
            return true;
        case T_RETURN:
            Advance();
            Emit(OP_RETURN, -1, -1, -1);
            return true;
        case T_STOP:
            Advance();
            Emit(OP_LEAVE, -1, -1, -1);
            return true;
        case T_ENDSTMT:
            Advance();
            Emit(OP_END, -1, -1, -1);
            return true;
        case T_EXIT:
            ExitStatement();
            return true;
        case T_CALL:
            Advance();
            CallStatement(true);
            return true;
        case T_LET:
            Advance();
            AssignStatement();
            return true;
        case T_SET:
            SetStatement();
            return true;
        case T_WITHDOT:
            // There is no With statement, so no block a leading dot could refer to.
            Error("Not in with block\n");
            SkipToEol();
            return true;
        case T_BEGIN:
            Error("Dialog definitions are not supported\n");
            while (tok_.kind != T_EOF) {
                if (tok_.kind == T_END && Peek().kind == T_DIALOG) {
                    Advance();
                    Advance();
                    break;
                }
                Advance();
            }
            return true;
        case T_IDENT:
        case T_DECLARRAY:
        case T_DECLFUNC:
        case T_DECLSUB:
        case T_DECLCONST:
        case T_DECLOBJNAME: {
            int next = Peek().kind;
            if (tok_.kind == T_DECLSUB ||
                (tok_.kind != T_DECLARRAY && tok_.kind != T_DECLOBJNAME && next != T_EQ &&
                 next != T_DOT &&
                 !(tok_.kind == T_DECLFUNC && proc_ && tok_.name == procName_ && next == T_EQ)))
                CallStatement(false);
            else
                AssignStatement();
            return true;
        }
        default:
            SyntaxError();
    }
}

// if -> IF expr THEN <eol block {ELSEIF expr THEN block} [ELSE block] END IF
//     | IF expr THEN statement {':' statement} [ELSE statement {':' statement}]
void Compiler::IfStatement() {
    Advance();
    Push(3);
    Expr* cond = Expression();
    Expect(T_THEN);
    int jf = JumpIfFalse(cond);
    std::vector<int> ends;
    if (tok_.kind != T_EOL) {
        // single-line form
        for (;;) {
            if (tok_.kind == T_ELSE) break;
            Statement();
            if (tok_.kind == T_COLON) {
                Advance();
                if (tok_.kind == T_EOL || tok_.kind == T_EOF) break;
                continue;
            }
            break;
        }
        if (tok_.kind == T_ELSE) {
            ends.push_back(Emit(OP_BRANCH, -1, -1, -1));
            Patch(jf, Here());
            jf = -1;
            Advance();
            for (;;) {
                Statement();
                if (tok_.kind == T_COLON) {
                    Advance();
                    if (tok_.kind == T_EOL || tok_.kind == T_EOF) break;
                    continue;
                }
                break;
            }
        }
        EndOfStatement();
    } else {
        int stop = Block({T_ELSEIF, T_ELSE, T_END});
        for (;;) {
            if (stop == T_ELSEIF) {
                ends.push_back(Emit(OP_BRANCH, -1, -1, -1));
                Patch(jf, Here());
                stmtLine_ = tok_.line;
                Advance();
                temps_ = 0;
                Expr* e = Expression();
                Expect(T_THEN);
                jf = JumpIfFalse(e);
                stop = Block({T_ELSEIF, T_ELSE, T_END});
            } else if (stop == T_ELSE) {
                ends.push_back(Emit(OP_BRANCH, -1, -1, -1));
                Patch(jf, Here());
                jf = -1;
                Advance();
                stop = Block({T_END});
            } else if (stop == T_END) {
                Advance();
                Expect(T_IF);
                break;
            } else {
                SyntaxError();
            }
        }
    }
    if (jf >= 0) Patch(jf, Here());
    for (int e : ends) Patch(e, Here());
    Pop(3);
}

// select -> SELECT CASE expr <eol {CASE caselist <eol block} [CASE ELSE block] END SELECT
// caselist -> item {',' item};  item -> expr [TO expr] | IS relop expr
void Compiler::SelectStatement() {
    Advance();
    Expect(T_CASE);
    Push(3);
    Expr* e = Expression();
    int sel = NewHidden(VT_VARIANT);
    Emit(OP_MOVE, Compile(e), -1, sel);
    std::vector<int> ends;
    while (tok_.kind == T_EOL || tok_.kind == T_COLON) Advance();
    while (tok_.kind == T_CASE) {
        stmtLine_ = tok_.line;
        Advance();
        temps_ = 0;
        if (Accept(T_ELSE)) {
            Block({T_END});
            break;
        }
        std::vector<int> toBody;
        // A single plain value: one test that skips to the next case.
        Expr* first = nullptr;  // the first item's value, read for that check
        if (!(tok_.kind == T_IDENT && strcasecmp(tok_.text.c_str(), "Is") == 0)) {
            first = Expression();
            if (tok_.kind != T_COMMA && tok_.kind != T_TO) {
                int next = Emit(OP_CASENE, sel, Compile(first), -1);
                Block({T_CASE, T_END});
                ends.push_back(Emit(OP_BRANCH, -1, -1, -1));
                Patch(next, Here());
                continue;
            }
        }
        do {
            if (!first && tok_.kind == T_IDENT && strcasecmp(tok_.text.c_str(), "Is") == 0) {
                Advance();
                int rel = tok_.kind;
                static const int map[][2] = {{T_EQ, OP_EQ}, {T_NE, OP_NE}, {T_LT, OP_LT},
                                             {T_GT, OP_GT}, {T_LE, OP_LE}, {T_GE, OP_GE}};
                int op = -1;
                for (auto& m : map)
                    if (m[0] == rel) op = m[1];
                if (op < 0) SyntaxError();
                Advance();
                int v = Compile(Expression());
                int t = Temp();
                Emit(op, sel, v, t);
                toBody.push_back(Emit(OP_JTRUE, t, -1, -1));
            } else {
                int lo = Compile(first ? first : Expression());
                first = nullptr;
                if (Accept(T_TO)) {
                    int hi = Compile(Expression());
                    int t1 = Temp(), t2 = Temp();
                    Emit(OP_GE, sel, lo, t1);
                    Emit(OP_LE, sel, hi, t2);
                    Emit(OP_AND, t1, t2, t1);
                    toBody.push_back(Emit(OP_JTRUE, t1, -1, -1));
                } else {
                    int t = Temp();
                    Emit(OP_EQ, sel, lo, t);
                    toBody.push_back(Emit(OP_JTRUE, t, -1, -1));
                }
            }
        } while (Accept(T_COMMA));
        int nextCase = Emit(OP_BRANCH, -1, -1, -1);
        for (int j : toBody) Patch(j, Here());
        Block({T_CASE, T_END});
        ends.push_back(Emit(OP_BRANCH, -1, -1, -1));
        Patch(nextCase, Here());
    }
    if (tok_.kind != T_END) SyntaxError();
    Advance();
    Expect(T_SELECT);
    for (int j : ends) Patch(j, Here());
    Pop(3);
}

// for -> FOR name '=' expr TO expr [STEP expr] <eol block NEXT [name]
void Compiler::ForStatement() {
    Advance();
    Push(3);
    if (tok_.kind != T_IDENT) SyntaxError();
    int var = Variable(tok_.name, tok_.suffix, true);
    if (IsConstOperand(var)) Error("Attempt to assign to constant\n");
    Advance();
    Expect(T_EQ);
    Expr* start = Expression();
    Expect(T_TO);
    Expr* limitE = Expression();
    int limit = NewHidden(VT_VARIANT);
    Emit(OP_MOVE, Compile(limitE), -1, limit);
    int step = -1;
    bool hasStep = false;
    if (Accept(T_STEP)) {
        hasStep = true;
        if (stepDepth_ >= 20) Error("Max number of For ... Step reached\n");
        step = NewHidden(VT_VARIANT);
        Emit(OP_MOVE, Compile(Expression()), -1, step);
    }
    if (hasStep) ++stepDepth_;
    Emit(OP_MOVE, Compile(start), -1, var);
    int test = Emit(OP_FORTEST, var, limit, -1);
    loops_.push_back({true, {}});
    Block({T_NEXT});
    if (tok_.kind != T_NEXT) SyntaxError();
    stmtLine_ = tok_.line;
    Advance();
    if (tok_.kind == T_IDENT) Advance();
    int next = hasStep ? Emit(OP_NEXTSTEP, step, -1, test) : Emit(OP_NEXT, -1, -1, test);
    Patch(test, next);
    for (int e : loops_.back().exits) Patch(e, Here());
    loops_.pop_back();
    if (hasStep) --stepDepth_;
    Pop(3);
}

// do -> DO [(WHILE|UNTIL) expr] <eol block LOOP [(WHILE|UNTIL) expr]
void Compiler::DoStatement() {
    Advance();
    Push(3);
    int start = Here();
    int top = -1;
    if (tok_.kind == T_WHILE || tok_.kind == T_UNTIL) {
        bool until = tok_.kind == T_UNTIL;
        Advance();
        if (until)
            top = Emit(OP_JTRUE, Compile(Expression()), -1, -1);
        else
            top = JumpIfFalse(Expression());
    }
    loops_.push_back({false, {}});
    Block({T_LOOP});
    if (tok_.kind != T_LOOP) SyntaxError();
    stmtLine_ = tok_.line;
    Advance();
    temps_ = 0;
    if (tok_.kind == T_WHILE || tok_.kind == T_UNTIL) {
        bool until = tok_.kind == T_UNTIL;
        Advance();
        int c = Compile(Expression());
        Emit(until ? OP_DOTEST : OP_JTRUE, c, -1, start);
    } else {
        Emit(OP_LOOP, -1, -1, start);
    }
    if (top >= 0) Patch(top, Here());
    for (int e : loops_.back().exits) Patch(e, Here());
    loops_.pop_back();
    Pop(3);
}

// while -> WHILE expr <eol block WEND
void Compiler::WhileStatement() {
    Advance();
    Push(3);
    int start = Here();
    int top = JumpIfFalse(Expression());
    loops_.push_back({false, {}});
    Block({T_WEND});
    if (tok_.kind != T_WEND) SyntaxError();
    stmtLine_ = tok_.line;
    Advance();
    Emit(OP_LOOP, -1, -1, start);
    Patch(top, Here());
    for (int e : loops_.back().exits) Patch(e, Here());
    loops_.pop_back();
    Pop(3);
}

// print -> PRINT ['#' expr ','] {expr | ';' | ','}      write -> WRITE '#' expr ',' {expr | ','}
void Compiler::PrintStatement(bool write) {
    Advance();
    int file = -1;
    if (Accept(T_HASH)) {
        file = Compile(Expression());
        if (tok_.kind == T_COMMA || tok_.kind == T_SEMI)
            Advance();
        else
            EndOfStatement();
    } else if (write) {
        SyntaxError();
    }
    int count = 0;
    while (tok_.kind != T_EOL && tok_.kind != T_COLON && tok_.kind != T_EOF &&
           tok_.kind != T_ELSE) {
        if (tok_.kind == T_SEMI || tok_.kind == T_COMMA) {
            Advance();
            continue;
        }
        PushValue(Compile(Expression()));
        ++count;
    }
    Emit(OP_PRINT, write ? -count : count, file, -1);
}

// open -> OPEN expr FOR (INPUT|OUTPUT|APPEND) AS ['#'] expr
void Compiler::OpenStatement() {
    Advance();
    int name = Compile(Expression());
    Expect(T_FOR);
    int mode = 0;
    if (tok_.kind == T_INPUT)
        mode = 1;
    else if (tok_.kind == T_OUTPUT)
        mode = 2;
    else if (tok_.kind == T_APPEND)
        mode = 8;
    else if (tok_.kind == T_IDENT) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "open for unknown: %d\n", tok_.kind);
        Error(buf);
    } else
        SyntaxError();
    Advance();
    Expect(T_AS);
    Accept(T_HASH);
    int num = Compile(Expression());
    Emit(OP_OPEN, name, mode, num);
}

// close -> CLOSE [['#'] expr {',' ['#'] expr}]
void Compiler::CloseStatement() {
    Advance();
    int count = 0;
    while (tok_.kind != T_EOL && tok_.kind != T_COLON && tok_.kind != T_EOF &&
           tok_.kind != T_ELSE) {
        Accept(T_HASH);
        Emit(OP_PUSH, Compile(Expression()), -1, -1);
        ++count;
        if (!Accept(T_COMMA)) break;
    }
    Emit(OP_CLOSE, count, -1, -1);
}

// Assigns the result of a runtime function call to a variable.
static int BuiltinCell(ScriptContext& ctx, const char* name) {
    int n = ctx.names.Find(name, false);
    if (n < 0) return -1;
    int cell = ctx.names[n].globalCell;
    return cell > 0 && ctx.storage[cell].decl == VT_FUNC ? cell : -1;
}

// input -> INPUT '#' expr ',' target {',' target}    line -> LINE INPUT '#' expr ',' target
void Compiler::InputStatement(bool line) {
    Advance();
    if (line) Expect(T_INPUT);
    Expect(T_HASH);
    int num = Compile(Expression());
    Expect(T_COMMA);
    int fn = BuiltinCell(ctx_, line ? "LineInput" : "InputField");
    do {
        if (tok_.kind != T_IDENT && tok_.kind != T_DECLARRAY) SyntaxError();
        Expr* target = NameRef(false);
        Emit(OP_PUSH, num, -1, -1);
        int t = Temp();
        Emit(OP_CALL, fn, t, 1);
        if (target->kind == E_ELEM) {
            PushSubscripts(target->kids);
            Emit(OP_ASTORE, target->operand, (int)target->kids.size(), t);
        } else if (target->kind == E_CELL && target->variable) {
            Emit(OP_MOVE, t, -1, target->operand);
        } else {
            Error("Attempt to assign to constant\n");
        }
    } while (!line && Accept(T_COMMA));
}

// seek -> SEEK ['#'] expr ',' expr
void Compiler::SeekStatement() {
    Advance();
    Accept(T_HASH);
    int num = Compile(Expression());
    Expect(T_COMMA);
    int pos = Compile(Expression());
    Emit(OP_PUSH, num, -1, -1);
    Emit(OP_PUSH, pos, -1, -1);
    Emit(OP_CALL, BuiltinCell(ctx_, "SeekStmt"), -1, 2);
}

// name -> NAME expr AS expr
void Compiler::NameStatement() {
    Advance();
    int from = Compile(Expression());
    Expect(T_AS);
    int to = Compile(Expression());
    Emit(OP_PUSH, from, -1, -1);
    Emit(OP_PUSH, to, -1, -1);
    Emit(OP_CALL, BuiltinCell(ctx_, "eName"), -1, 2);
}

// goto -> GOTO label      gosub -> GOSUB label
// The label must be one of the same procedure: a jump into another
// procedure would run its code on the wrong frame.
void Compiler::GotoStatement(bool gosub) {
    Advance();
    if (tok_.kind != T_IDENT && tok_.kind != T_DECLLABEL) SyntaxError();
    int at = Emit(gosub ? OP_GOSUB : OP_BRANCH, -1, -1, -1);
    jumps_.push_back({at, tok_.name, LabelScope(), stmtLine_, stmtSource_});
    Advance();
}

// exit -> EXIT (FOR | DO | SUB | FUNCTION)
void Compiler::ExitStatement() {
    Advance();
    if (tok_.kind == T_SUB || tok_.kind == T_FUNCTION) {
        Advance();
        Emit(OP_LEAVE, -1, -1, -1);
        return;
    }
    if (tok_.kind != T_FOR && tok_.kind != T_DO) SyntaxError();
    bool isFor = tok_.kind == T_FOR;
    Advance();
    for (auto it = loops_.rbegin(); it != loops_.rend(); ++it) {
        if (it->isFor == isFor) {
            it->exits.push_back(Emit(OP_BRANCH, -1, -1, -1));
            return;
        }
    }
    Error("\"Exit For/Do\" outside of For/Do Loop\n");
}

// call -> CALL name ['(' args ')'] | name [args] | name '(' args ')'
void Compiler::CallStatement(bool explicitCall) {
    if (tok_.kind != T_IDENT && tok_.kind != T_DECLFUNC && tok_.kind != T_DECLSUB) SyntaxError();
    int name = tok_.name;
    Advance();
    int fn = FuncCell(name);
    std::vector<Expr*> args;
    if (tok_.kind == T_LPAREN && (explicitCall || true)) {
        args = Arguments();
        if (tok_.kind == T_DOT && fn > 0 && !explicitCall) {
            // "name(args).member ...": a statement on a member of the result
            Expr* call = NewExpr(E_CALL);
            call->operand = fn;
            call->kids = args;
            Expr* target = MemberChain(call);
            if (target->kind != E_MEMBER) SyntaxError();
            MemberStatement(target, false);
            return;
        }
        if (!explicitCall && tok_.kind == T_COMMA) {
            // "name (a), b": the parenthesised part was the first argument
            Expr* first = args.size() == 1 ? args[0] : nullptr;
            if (!first) SyntaxError();
            while (Accept(T_COMMA)) args.push_back(Argument());
        }
    } else if (!explicitCall) {
        while (tok_.kind != T_EOL && tok_.kind != T_COLON && tok_.kind != T_EOF &&
               tok_.kind != T_ELSE) {
            args.push_back(Argument());
            if (!Accept(T_COMMA)) break;
        }
    }
    if (fn < 0) return;
    EmitCall(
        fn, [] { return -1; }, args);
    // Erase of a user-type array erases every member array.
    FuncRec* rec = ctx_.storage[fn].v.fn;
    if (rec->builtin >= 0 && args.size() == 1 && args[0]->kind == E_CELL && args[0]->members > 1 &&
        strcasecmp(rec->name.c_str(), "Erase") == 0) {
        int first = args[0]->operand;
        for (int m = 1; m < args[0]->members; ++m) {
            Emit(OP_PUSHREF, first >= 0 ? first + m : first - m, -1, -1);
            Emit(OP_CALL, fn, -1, 1);
        }
    }
}

// assignment -> [LET] target '=' expr;  target -> name | name '(' subscripts ')' | name '.' member
void Compiler::AssignStatement() {
    if (tok_.kind == T_DECLCONST) {
        Error("Attempt to assign to constant\n");
        SkipToEol();
        return;
    }
    if (tok_.kind != T_IDENT && tok_.kind != T_DECLARRAY && tok_.kind != T_DECLFUNC &&
        tok_.kind != T_DECLOBJNAME)
        SyntaxError();
    bool isArray = tok_.kind == T_DECLARRAY;
    Expr* target = NameRef(false);
    if (target->kind == E_MEMBER) {
        MemberStatement(target, false);
        return;
    }
    Expect(T_EQ);
    Expr* value = Expression();
    if (target->userType >= 0 || value->userType >= 0) {
        // A whole user-type value is copied member by member, between variables
        // and elements of user-type arrays alike.
        if (target->userType != value->userType || !userTypes_.count(target->userType) ||
            (value->kind != E_CELL && value->kind != E_ELEM)) {
            Error("Type mismatch\n");
            return;
        }
        int members = (int)userTypes_[target->userType].memberNames.size();
        for (int m = 0; m < members; ++m) {
            int src = value->operand >= 0 ? value->operand + 1 + m : value->operand - 1 - m;
            int dst = target->operand >= 0 ? target->operand + 1 + m : target->operand - 1 - m;
            if (value->kind == E_ELEM && target->kind == E_ELEM) {
                int t = Temp();
                PushSubscripts(value->kids);
                Emit(OP_AREAD, src, (int)value->kids.size(), t);
                PushSubscripts(target->kids);
                Emit(OP_ASTORE, dst, (int)target->kids.size(), t);
                Release(t);
            } else if (value->kind == E_ELEM) {
                PushSubscripts(value->kids);
                Emit(OP_AREAD, src, (int)value->kids.size(), dst);
            } else if (target->kind == E_ELEM) {
                PushSubscripts(target->kids);
                Emit(OP_ASTORE, dst, (int)target->kids.size(), src);
            } else if (src != dst) {
                Emit(OP_MOVE, src, -1, dst);
            }
        }
        return;
    }
    if (target->kind == E_ELEM) {
        int v = Compile(value);
        if (target->kids.size() == 1) {
            Emit(OP_ASTORE1, target->operand, Compile(target->kids[0]), v);
            return;
        }
        PushSubscripts(target->kids);
        Emit(OP_ASTORE, target->operand, (int)target->kids.size(), v);
        return;
    }
    if (target->kind != E_CELL || !target->variable) {
        Error(target->constant ? "Attempt to assign to constant\n" : "Invalid assignment target\n");
        return;
    }
    if (isArray) {
        Error("Array name needs subscript\n");
        return;
    }
    int dst = target->operand;
    // s = s & x appends in place.
    if (value->kind == E_BIN && value->op == OP_CONCAT && value->kids[0]->kind == E_CELL &&
        value->kids[0]->operand == dst) {
        int b = Compile(value->kids[1]);
        Emit(OP_CONCAT, dst, b, dst);
        return;
    }
    // The value's last instruction stores straight into the target (with the
    // target's conversion rules), so no temporary and no copy are needed.
    Compile(value, dst);
}

// A statement on an object's member:
//   member '=' expr                      property put
//   member [args | '(' args ')']         method call
// member -> object '.' name ['(' args ')']; with SET the put assigns an object.
void Compiler::MemberStatement(Expr* target, bool isSet) {
    std::vector<Expr*> args(target->kids.begin() + 1, target->kids.end());
    if (Accept(T_EQ)) {
        args.push_back(Expression());
        EmitMember(target->kids[0], target->member, TES_DISPATCH_PROPERTYPUT, args,
                   [] { return -1; });
        return;
    }
    if (isSet) SyntaxError();
    if (!target->parens) {
        while (tok_.kind != T_EOL && tok_.kind != T_COLON && tok_.kind != T_EOF &&
               tok_.kind != T_ELSE) {
            args.push_back(Argument());
            if (!Accept(T_COMMA)) break;
        }
    } else if (tok_.kind == T_COMMA) {
        // "o.Method (a), b": the parenthesised part was the first argument
        if (args.size() != 1) SyntaxError();
        while (Accept(T_COMMA)) args.push_back(Argument());
    }
    EmitMember(target->kids[0], target->member, TES_DISPATCH_METHOD, args, [] { return -1; });
}

// set -> SET target '=' (NOTHING | expr);  target -> name | name '(' subscripts ')' | member
void Compiler::SetStatement() {
    Advance();
    if (tok_.raw != T_IDENT && tok_.kind != T_DECLARRAY) SyntaxError();
    Expr* target = NameRef(false);
    if (target->kind == E_MEMBER) {
        MemberStatement(target, true);
        return;
    }
    Expect(T_EQ);
    bool nothing = tok_.kind == T_NOTHING;
    int value = -1;
    if (nothing)
        Advance();
    else
        value = Compile(Expression());
    if (target->kind == E_CELL && target->variable) {
        if (nothing) {
            Emit(OP_RELEASE, target->operand, -1, -1);
        } else {
            int at = Emit(OP_SETREF, value, -1, target->operand);
            if (IsTemp(value)) ctx_.code[at].pad = 1;
        }
    } else if (target->kind == E_ELEM && target->userType < 0) {
        if (nothing) value = NothingCell();
        int at;
        if (target->kids.size() == 1) {
            at = Emit(OP_ASTORE1, target->operand, Compile(target->kids[0]), value);
        } else {
            PushSubscripts(target->kids);
            at = Emit(OP_ASTORE, target->operand, (int)target->kids.size(), value);
        }
        ctx_.code[at].pad = 1;
        if (IsTemp(value)) Emit(OP_CLEAR, value, -1, -1);
    } else {
        Error(target->constant ? "Attempt to assign to constant\n" : "Invalid assignment target\n");
    }
}

int32_t Compiler::Run() {
    try {
        Program();
        ResolveLabels();
        CheckUserCalls();
        WidenConstantArguments();
        SelectTypedInstructions();
    } catch (const CompileStop& s) {
        return s.code;
    }
    return 0;
}

}  // namespace tessel
