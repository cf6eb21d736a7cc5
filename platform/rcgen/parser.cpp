// Reads DIALOG and DIALOGEX statements from the tokens of a resource script.
// Control statements take the default styles that the resource compiler
// gives them; a style written in the script is added to the default, and
// "NOT style" takes bits away.
#include <map>

#include "platform/rcgen/rcgen.h"

namespace rcgen {
namespace {

constexpr int kMaxDefineDepth = 16;

struct ControlKind {
  const char* keyword;
  const char* className;
  DWORD defaultStyle;
  bool hasText;
};

const ControlKind kControlKinds[] = {
    {"PUSHBUTTON", "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, true},
    {"DEFPUSHBUTTON", "BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, true},
    {"AUTOCHECKBOX", "BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, true},
    {"LTEXT", "STATIC", SS_LEFT | WS_GROUP, true},
    {"EDITTEXT", "EDIT", ES_LEFT | WS_BORDER | WS_TABSTOP, false},
    {"COMBOBOX", "COMBOBOX", CBS_SIMPLE | WS_TABSTOP, false},
};

const ControlKind* FindControlKind(const std::string& keyword) {
  for (const ControlKind& kind : kControlKinds)
    if (keyword == kind.keyword) return &kind;
  return nullptr;
}

class Parser {
 public:
  Parser(const std::vector<Token>& tokens,
         const std::vector<std::pair<std::string, std::string>>& defines, std::string* error)
      : tokens_(tokens), error_(error) {
    for (auto& define : defines) defines_[define.first] = define.second;
  }

  // script := { dialog | LANGUAGE expr ',' expr }
  bool Script(std::vector<RcDialog>* dialogs) {
    while (Peek().kind != Token::kEnd) {
      if (IsName("LANGUAGE")) {
        long ignored;
        Next();
        if (!Number(&ignored) || !Comma() || !Number(&ignored)) return false;
        continue;
      }
      RcDialog dialog;
      if (!Dialog(&dialog)) return false;
      dialogs->push_back(dialog);
    }
    return true;
  }

 private:
  const std::vector<Token>& tokens_;
  std::map<std::string, std::string> defines_;
  std::string* error_;
  size_t at_ = 0;
  int defineDepth_ = 0;

  const Token& Peek() const { return tokens_[at_]; }
  const Token& Next() { return tokens_[at_ < tokens_.size() - 1 ? at_++ : at_]; }
  bool IsName(const char* name) const { return Peek().kind == Token::kName && Peek().text == name; }
  bool IsSymbol(const char* symbol) const {
    return Peek().kind == Token::kSymbol && Peek().text == symbol;
  }

  bool Fail(const std::string& message) {
    const Token& token = Peek();
    *error_ = token.file + ":" + std::to_string(token.line) + ": " + message;
    return false;
  }

  bool Comma() {
    if (!IsSymbol(",")) return Fail("',' expected");
    Next();
    return true;
  }

  bool String(std::string* out) {
    if (Peek().kind != Token::kString) return Fail("string expected");
    *out = Next().text;
    return true;
  }

  // A name's value: a #define of the script, else a Windows constant.
  bool NameValue(const std::string& name, long* value, long* removed) {
    auto define = defines_.find(name);
    if (define == defines_.end()) {
      if (LookUpConstant(name, value)) return true;
      return Fail("unknown name " + name);
    }
    if (++defineDepth_ > kMaxDefineDepth) return Fail("#define of " + name + " refers to itself");
    std::vector<Token> tokens;
    bool ok = TokenizeText(define->second, Peek().file, Peek().line, &tokens, error_);
    if (ok) {
      tokens.push_back(Token{});
      Parser inner(tokens, {}, error_);
      inner.defines_ = defines_;
      inner.defineDepth_ = defineDepth_;
      ok = inner.Expression(value, removed) &&
           (inner.Peek().kind == Token::kEnd || inner.Fail("bad #define " + name));
    }
    --defineDepth_;
    return ok;
  }

  // primary := number | name | '(' expression ')'
  bool Primary(long* value, long* removed) {
    if (Peek().kind == Token::kNumber) {
      *value = Next().number;
      return true;
    }
    if (Peek().kind == Token::kName) return NameValue(Next().text, value, removed);
    if (IsSymbol("(")) {
      Next();
      if (!Expression(value, removed)) return false;
      if (!IsSymbol(")")) return Fail("')' expected");
      Next();
      return true;
    }
    return Fail("number or name expected");
  }

  // unary := [ NOT ] [ '-' | '~' ] primary
  bool Unary(long* value, long* removed) {
    bool negate = false, complement = false, remove = false;
    if (IsName("NOT")) remove = (Next(), true);
    if (IsSymbol("-"))
      negate = (Next(), true);
    else if (IsSymbol("~"))
      complement = (Next(), true);
    if (!Primary(value, removed)) return false;
    if (negate) *value = -*value;
    if (complement) *value = ~*value;
    if (remove) {
      *removed |= *value;
      *value = 0;
    }
    return true;
  }

  // expression := unary { ( '|' | '+' | '-' ) unary }
  bool Expression(long* value, long* removed) {
    if (!Unary(value, removed)) return false;
    while (IsSymbol("|") || IsSymbol("+") || IsSymbol("-")) {
      std::string op = Next().text;
      long right = 0;
      if (!Unary(&right, removed)) return false;
      *value = op == "|" ? (*value | right) : op == "+" ? *value + right : *value - right;
    }
    return true;
  }

  bool Number(long* value) {
    long removed = 0;
    return Expression(value, &removed);
  }

  bool Coordinate(int* value) {
    long number;
    if (!Number(&number)) return false;
    if (number < -32768 || number > 32767) return Fail("coordinate out of range");
    *value = static_cast<int>(number);
    return true;
  }

  // style := expression, added to a default style
  bool Style(DWORD* style) {
    long value = 0, removed = 0;
    if (!Expression(&value, &removed)) return false;
    *style = (*style | static_cast<DWORD>(value)) & ~static_cast<DWORD>(removed);
    return true;
  }

  bool Place(int* x, int* y, int* cx, int* cy) {
    return Coordinate(x) && Comma() && Coordinate(y) && Comma() && Coordinate(cx) && Comma() &&
           Coordinate(cy);
  }

  // dialog := name ( DIALOG | DIALOGEX ) x ',' y ',' cx ',' cy { option } BEGIN { control } END
  bool Dialog(RcDialog* dialog) {
    if (Peek().kind == Token::kNumber) {
      dialog->name =
          std::to_string(Next().number);  // numbered resources are named by their number here
    } else if (Peek().kind == Token::kName || Peek().kind == Token::kString) {
      dialog->name = Next().text;
    } else {
      return Fail("dialog name expected");
    }
    if (!IsName("DIALOG") && !IsName("DIALOGEX"))
      return Fail("only DIALOG and DIALOGEX resources are supported");
    Next();
    if (!Place(&dialog->x, &dialog->y, &dialog->cx, &dialog->cy)) return false;
    if (IsSymbol(",")) {  // DIALOGEX help id
      long ignored;
      Next();
      if (!Number(&ignored)) return false;
    }
    dialog->style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    bool styled = false;
    while (!IsName("BEGIN") && !IsSymbol("{")) {
      if (!Option(dialog, &styled)) return false;
    }
    Next();
    while (!IsName("END") && !IsSymbol("}")) {
      if (Peek().kind == Token::kEnd) return Fail("END expected");
      RcControl control;
      if (!Control(&control)) return false;
      dialog->controls.push_back(control);
    }
    Next();
    return true;
  }

  // option := STYLE style | EXSTYLE style | CAPTION string | FONT size ',' string { ',' number }
  bool Option(RcDialog* dialog, bool* styled) {
    if (IsName("STYLE")) {
      Next();
      if (!*styled) dialog->style = 0;  // a STYLE line replaces the default
      *styled = true;
      return Style(&dialog->style);
    }
    if (IsName("EXSTYLE")) return Next(), Style(&dialog->exStyle);
    if (IsName("CAPTION")) {
      Next();
      dialog->style |= WS_CAPTION;
      return String(&dialog->caption);
    }
    if (IsName("FONT")) {
      Next();
      long size;
      if (!Number(&size) || !Comma() || !String(&dialog->fontName)) return false;
      dialog->fontSize = static_cast<int>(size);
      dialog->style |= DS_SETFONT;
      while (IsSymbol(",")) {  // weight, italic, character set
        long ignored;
        Next();
        if (!Number(&ignored)) return false;
      }
      return true;
    }
    return Fail("STYLE, EXSTYLE, CAPTION, FONT or BEGIN expected");
  }

  // control := CONTROL text ',' id ',' class ',' style ',' place [ ',' exstyle ]
  //          | kind [ text ',' ] id ',' place [ ',' style [ ',' exstyle ] ]
  bool Control(RcControl* control) {
    if (Peek().kind != Token::kName) return Fail("control statement expected");
    std::string keyword = Next().text;
    control->style = WS_CHILD | WS_VISIBLE;
    if (keyword == "CONTROL") {
      if (!String(&control->text) || !Comma() || !Number(&control->id) || !Comma()) return false;
      if (Peek().kind != Token::kString && Peek().kind != Token::kName)
        return Fail("class name expected");
      control->className = Next().text;
      return Comma() && Style(&control->style) && Comma() &&
             Place(&control->x, &control->y, &control->cx, &control->cy) &&
             OptionalExStyle(control);
    }
    const ControlKind* kind = FindControlKind(keyword);
    if (!kind) return Fail("unknown control statement " + keyword);
    control->className = kind->className;
    control->style |= kind->defaultStyle;
    if (kind->hasText && !(String(&control->text) && Comma())) return false;
    if (!Number(&control->id) || !Comma() ||
        !Place(&control->x, &control->y, &control->cx, &control->cy))
      return false;
    if (!IsSymbol(",")) return true;
    Next();
    return Style(&control->style) && OptionalExStyle(control);
  }

  bool OptionalExStyle(RcControl* control) {
    if (!IsSymbol(",")) return true;
    Next();
    return Style(&control->exStyle);
  }
};

}  // namespace

bool ParseDialogs(const std::vector<Token>& tokens,
                  const std::vector<std::pair<std::string, std::string>>& defines,
                  std::vector<RcDialog>* dialogs, std::string* error) {
  if (tokens.empty()) return true;
  Parser parser(tokens, defines, error);
  return parser.Script(dialogs);
}

}  // namespace rcgen
