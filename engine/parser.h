// parser.h: the compiler: a recursive-descent parser over the token stream
// that declares names as it goes and emits instructions statement by
// statement. Statements live in parser.cpp, declarations in
// declarations.cpp, expressions in expressions.cpp.
#pragma once
#include <climits>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/lexer.h"

namespace tessel {

constexpr int kNoTarget = INT32_MIN;

// Raised to stop compilation (syntax error, parser stack overflow).
struct CompileStop {
    int32_t code;
};

// Expression tree of one statement.
enum ExprKind { E_CELL, E_BIN, E_NEG, E_NOT, E_CALL, E_ELEM, E_MEMBER };
struct Expr {
    int kind = E_CELL;
    int operand = -1;       // E_CELL: the cell; E_CALL: function cell; E_ELEM: array cell
    int op = 0;             // E_BIN: opcode
    bool variable = false;  // E_CELL naming a variable (can be passed by reference)
    bool constant = false;
    int userType = -1;    // a user-type variable or array element (its type's name index)
    int members = 0;      // a user-type array name: its member arrays (the first is the operand)
    int userArray = -1;   // a whole user-type array: its type's name index
    int argName = -1;     // a named argument (name ':=' expr): the parameter's name index
    int member = -1;      // E_MEMBER: the member's name index (kids: object, then arguments)
    bool parens = false;  // E_MEMBER: written with a parenthesised argument list
    std::vector<Expr*> kids;
};

struct LocalName {
    int operand;
    uint16_t typeCode;
};

struct UserType {
    std::vector<int> memberNames;
    std::vector<uint16_t> memberCodes;
    std::vector<int32_t> memberLens;
};

struct LoopInfo {
    bool isFor;
    std::vector<int> exits;
};

class Compiler {
  public:
    Compiler(ScriptContext& ctx, bool replay, const std::vector<StreamToken>* tokens,
             const std::vector<std::string>* names);
    int32_t Run();

  private:
    // tokens
    void Advance();
    Token RawNext();
    const Token& Peek();
    bool Accept(int kind);
    void Expect(int kind);
    [[noreturn]] void SyntaxError();
    void Push(int n);  // parser depth, limited like a state stack
    void Pop(int n) { depth_ -= n; }
    void Error(const std::string& msg);

    // statements (parser.cpp)
    void Program();
    void Line();
    bool Statement();
    int Block(std::initializer_list<int> stops);
    void IfStatement();
    void SelectStatement();
    void ForStatement();
    void DoStatement();
    void WhileStatement();
    void PrintStatement(bool write);
    void OpenStatement();
    void CloseStatement();
    void InputStatement(bool line);
    void SeekStatement();
    void NameStatement();
    void GotoStatement(bool gosub);
    void ExitStatement();
    void CallStatement(bool explicitCall);
    void AssignStatement();
    void SetStatement();
    void MemberStatement(Expr* target, bool isSet);
    void EndOfStatement();
    int JumpIfFalse(Expr* cond);  // emits the test; returns the jump to patch
    void SkipToEol();
    void ResolveLabels();

    // declarations (declarations.cpp)
    void DimStatement(int which);
    void ConstStatement();
    void TypeStatement();
    void DeclareStatement();
    void OptionStatement();
    void ProcedureDefinition();
    uint16_t AsType(int& userType, int32_t& fixedLen);
    bool ParamList(std::vector<Param>& params, bool declare);
    int DeclareVariable(int name, char suffix, uint16_t code, int userType, int32_t fixedLen,
                        const std::vector<std::pair<int32_t, int32_t>>* bounds, bool global,
                        bool isStatic);
    int FuncCell(int name);
    int NewHidden(uint16_t decl);

    // expressions (expressions.cpp)
    Expr* NewExpr(int kind);
    Expr* Expression();
    Expr* OrExpr();
    Expr* AndExpr();
    Expr* NotExpr();
    Expr* CompareExpr();
    Expr* AddExpr();
    Expr* ConcatExpr();
    Expr* ModExpr();
    Expr* MulExpr();
    Expr* PowExpr();
    Expr* Unary();
    Expr* Primary();
    Expr* NameRef(bool statementCall);
    Expr* SimpleRef(bool statementCall);
    Expr* MemberChain(Expr* e);
    void PushValue(int operand);
    std::vector<Expr*> Arguments();
    int Compile(Expr* e, int into = kNoTarget);  // into: the result cell instead of a temporary
    int PushArgs(const std::vector<Expr*>& args, int fn,
                 bool check = true);  // returns the number of cells pushed
    int EmitCall(int fn, const std::function<int()>& dest, const std::vector<Expr*>& args);
    Expr* Argument();  // [name ':='] expr
    void PushSubscripts(const std::vector<Expr*>& subs);
    int Temp();
    void Release(int operand);  // frees the newest temporary when it is this one
    bool FoldConstant(Expr* e, Cell& out);
    int Variable(int name, char suffix, bool create);
    int MemberOperand(int base, int name, int member);
    bool IsConstOperand(int operand) const;
    // Object member calls: the object is pushed first, then the arguments.
    int EmitMember(Expr* object, int member, int flags, const std::vector<Expr*>& args,
                   const std::function<int()>& dest);
    bool IsTemp(int operand) const;
    int NothingCell();

  public:
    // emitter
    int Emit(int op, int a, int b, int c);
    void Patch(int at, int target) { ctx_.code[at].c = target; }
    int Here() const { return (int)ctx_.code.size(); }

  private:
    ScriptContext& ctx_;
    Lexer lex_;
    Token tok_;
    std::deque<Token> ahead_;
    int prevKind_ = T_EOL;
    bool afterGoto_ = false;
    int depth_ = 0;
    int stmtLine_ = 0;
    int stmtSource_ = 1;

    // procedures and scope
    FuncRec* proc_ = nullptr;
    int procName_ = 0;
    std::unordered_map<int, LocalName> locals_;
    int nextSlot_ = 0;
    int temps_ = 0, maxTemps_ = 0, procStart_ = 0;
    std::vector<int> globalTemps_;
    std::unordered_map<int, UserType> userTypes_;
    std::unordered_map<int, int> cellUserType_;   // global user-type cells
    std::unordered_map<int, int> localUserType_;  // local user-type operands
    std::unordered_map<int, int> savedKinds_;     // token kinds to restore after a procedure
    // The definition stack: the types whose members are being defined or referenced.
    struct DefEntry {
        int32_t name, kind;
    };
    static constexpr int kDefStackSize = 64;
    DefEntry defStack_[kDefStackSize] = {};
    int defDepth_ = 0;
    bool DefPush(int name, int kind);
    void DefPop();
    std::unordered_map<int, int>
        userArrays_;  // user-type array operand -> its first member array operand
    // Argument and parameter kinds compared by CheckUserCalls: -1 anything
    // else, a type's name index for a user-type value, that plus
    // kUserArrayKind for a whole array of the type.
    static constexpr int kUserArrayKind = 1 << 20;
    struct UserCall {
        int fn;
        std::vector<int> argTypes;
        int line, source;
        std::vector<int> argNames;
    };
    std::vector<UserCall> userCalls_;  // calls checked against their procedures after the parse
    // Integer and Long constants pushed as positional arguments: given the
    // parameter's wider numeric type after the parse, so the call binds them
    // as they are (a ByRef parameter gets a converted copy of a constant
    // anyway).
    struct ConstantArg {
        int push, fn, index;
    };
    std::vector<ConstantArg> constantArgs_;
    std::map<std::pair<int, uint16_t>, int> widened_;  // (constant cell, type) -> cell
    void WidenConstantArguments();
    // Typed and fused instructions for the frequent loop forms (after the parse).
    void SelectTypedInstructions();
    int UserTypeOf(int operand) const;
    void CheckUserCalls();

    // Labels by (scope, name): the scope is the procedure's name index, 0
    // outside any procedure.
    int LabelScope() const { return proc_ ? procName_ : 0; }
    std::map<std::pair<int, int>, int> labels_;
    struct PendingJump {
        int at, name, scope, line, source;
    };
    std::vector<PendingJump> jumps_;
    std::vector<LoopInfo> loops_;
    int stepDepth_ = 0;
    std::deque<Expr> nodes_;
    int nothingCell_ = 0;
};

constexpr int kTempBase = -1000000000;

}  // namespace tessel
