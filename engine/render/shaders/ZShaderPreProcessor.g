// Grammar of the shader-code preprocessor: "#include", "#ifdef", "#ifndef",
// "#else", "#endif" and "#extern" (or the keyword "extern"); everything else
// is code text that passes through unchanged.
//
// The build runs the ANTLR 2 tool over this file and compiles the generated
// ShaderParser and ShaderLexer into qv_render. The parser's semantic actions
// talk to ZShaderPreProcessor, which owns the output, the defines and the
// extern table. Parse errors leave the parser as the runtime's exceptions and
// are caught by ZShaderPreProcessor::Process, nowhere else.

header "post_include_hpp"
{
#include <string>

class ZShaderPreProcessor;
}

options
{
    language = "Cpp";
}

class ShaderParser extends Parser;
options
{
    k = 1;
    buildAST = false;
    defaultErrorHandler = false;
}

// Listed first so that the token numbers are fixed (4 upwards, in this order)
// and shared with the lexer.
tokens
{
    PPINCLUDE;
    WS;
    STRING;
    COMMENT;
    NEWLINE;
    PPIFDEF;
    PPIFNDEF;
    IDENTIFIER;
    PPELSE;
    PPENDIF;
    NUMBER;
    OPERATOR;
    COMMA;
    LEFT;
    RIGHT;
    EXTERN;
    RAW_IDENTIFIER;
}

{
public:
    // The preprocessor that receives the text and answers the queries; depth
    // is the include nesting of the file this parser reads (0 for the source).
    void SetTarget(ZShaderPreProcessor* target, int depth)
    {
        m_target = target;
        m_depth = depth;
    }

private:
    void Emit(const std::string& text);
    bool IsDefined(const std::string& name) const;
    void DeclareExtern(const std::string& keyword, const std::string& type, const std::string& name);
    bool Include(const std::string& quotedName);
    bool EnterGroup(const ANTLR_USE_NAMESPACE(antlr)RefToken& left);

    ZShaderPreProcessor* m_target = nullptr;
    int m_depth = 0;
    int m_groupDepth = 0;
    // One flag, not a stack: a branch holds only code text, so conditionals
    // do not nest (except inside a bracket group, where the inner "#endif"
    // switches the text back on).
    bool m_active = true;
    bool m_wanted = true;
}

file
    : ( element )* EOF
    ;

element
    : include
    | conditional
    | externDeclaration
    | piece
    ;

// Code text: written to the output while the active flag is set.
piece
    : { Emit(LT(1)->getText()); }
      ( WS | STRING | COMMENT | NEWLINE | IDENTIFIER | NUMBER | OPERATOR | COMMA )
    | group
    ;

// Brackets must balance within the code; a group may hold conditionals.
// Groups nest only so deep: each level is a level of recursion here.
group
    : l:LEFT { EnterGroup(l) }?
      { Emit(l->getText()); }
      ( piece | conditional )*
      r:RIGHT { Emit(r->getText()); --m_groupDepth; }
    ;

// The directive itself is not written; the included text stands in its place.
// A file that cannot be read fails the predicate, which ends the processing.
include
    : PPINCLUDE ( WS )+ s:STRING
      { Include(s->getText()) }?
    ;

conditional
    : ( PPIFDEF { m_wanted = true; } | PPIFNDEF { m_wanted = false; } )
      ( WS )+ n:IDENTIFIER NEWLINE
      { m_active = IsDefined(n->getText()) == m_wanted; }
      ( piece )*
      ( PPELSE { m_active = !m_active; } ( piece )* )?
      PPENDIF { m_active = true; }
    ;

// Written as the keyword, the type and the name, one space apart; the rest of
// the line is ordinary text.
externDeclaration
    : k:EXTERN ( WS )+ t:IDENTIFIER ( WS )+ n:IDENTIFIER
      { DeclareExtern(k->getText(), t->getText(), n->getText()); }
    ;


class ShaderLexer extends Lexer;
options
{
    k = 1;
    importVocab = ShaderParser;
    // Only ASCII is accepted: any other byte is a lexical error, reported
    // and skipped.
    charVocabulary = '\u0000'..'\u007F';
    testLiterals = false;
    defaultErrorHandler = true;
}

{
public:
    void SetTarget(ZShaderPreProcessor* target)
    {
        m_target = target;
    }

    void reportError(const ANTLR_USE_NAMESPACE(antlr)RecognitionException& ex) override;

    // A rule that fails at the end of the input recovers by consuming; the
    // runtime would then append the end-of-input marker to the token's text.
    void consume() override
    {
        if (LA(1) != EOF_CHAR)
            ANTLR_USE_NAMESPACE(antlr)CharScanner::consume();
    }

private:
    ZShaderPreProcessor* m_target = nullptr;
}

WS
    : ' '
    | '\t'
    ;

NEWLINE
    : ( '\n' | '\f' ) { newline(); }
    ;

// A directive is '#' and an exact directive word; any other '#' (such as the
// code's own "#version" or "#define") is passed through as text.
PPINCLUDE
    : '#' ( 'a'..'z' | 'A'..'Z' | '0'..'9' | '_' )*
      {
          const std::string word = $getText.substr(1);
          if (word == "include")
              $setType(PPINCLUDE);
          else if (word == "ifdef")
              $setType(PPIFDEF);
          else if (word == "ifndef")
              $setType(PPIFNDEF);
          else if (word == "else")
              $setType(PPELSE);
          else if (word == "endif")
              $setType(PPENDIF);
          else if (word == "extern")
              $setType(EXTERN);
          else
              $setType(OPERATOR);
      }
    ;

STRING
    : '"' ( ESCAPE | '\n' { newline(); } | ~( '"' | '\\' | '\n' ) )* '"'
    | '\'' ( ESCAPE | '\n' { newline(); } | ~( '\'' | '\\' | '\n' ) )* '\''
    ;

protected ESCAPE
    : '\\' ( '\n' { newline(); } | ~'\n' )
    ;

// "//" up to and including the line feed, "/*" up to "*/"; a lone '/' is an
// operator.
COMMENT
    : '/'
      ( '/' ( ~'\n' )* ( '\n' { newline(); } )?
      | '*'
        // The predicate settles the '*' that the k=1 lookahead cannot.
        ( options { generateAmbigWarnings = false; }
        : { LA(2) != '/' }? '*'
        | '\n' { newline(); }
        | ~( '*' | '\n' )
        )*
        "*/"
      | { $setType(OPERATOR); }
      )
    ;

LEFT
    : '(' | '[' | '{'
    ;

RIGHT
    : ')' | ']' | '}'
    ;

COMMA
    : ','
    ;

// A digit and what follows it of letters, digits and '_': "1.5" is NUMBER,
// OPERATOR, NUMBER.
NUMBER
    : '0'..'9' ( 'a'..'z' | 'A'..'Z' | '0'..'9' | '_' )*
    ;

IDENTIFIER
    : RAW_IDENTIFIER
      {
          if ($getText == "extern")
              $setType(EXTERN);
      }
    ;

protected RAW_IDENTIFIER
    : ( 'a'..'z' | 'A'..'Z' | '_' ) ( 'a'..'z' | 'A'..'Z' | '0'..'9' | '_' )*
    ;

OPERATOR
    : '!' | '$' | '%' | '&' | '*' | '+' | '-' | '.' | ':' | ';' | '<' | '='
    | '>' | '?' | '@' | '\\' | '^' | '`' | '|' | '~'
    ;
