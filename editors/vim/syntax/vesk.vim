" Highlighting for VESK 4 programs: how the text looks, not how the compiler splits it (vesk -w and
" the language server say where the two differ).
if exists("b:current_syntax")
  finish
endif

syntax keyword veskStatement if while for as return
syntax keyword veskDefine def class nextgroup=veskName skipwhite
syntax keyword veskInclude also nextgroup=veskModule skipwhite
syntax match veskName "\h\w*" contained
syntax match veskModule "\S\+" contained
syntax keyword veskWordOperator and or xor not
syntax keyword veskBuiltin print input str int float sizeof varconv system open hasattr getattr setattr
syntax keyword veskSelf self
syntax match veskRoot "\<Gprogroot\>"
syntax match veskGlobal "\<G\w\+"
syntax match veskPrefix "\$@\|[@&%]\ze\h"
syntax match veskOperator "==\|!=\|<=\|>=\|[-+*/<>=]"
syntax match veskNumber "\<\d\+\(\.\d\+\)\=\>"
syntax region veskString start=+"+ skip=+\\.+ end=+"+ contains=veskEscape oneline
syntax match veskEscape "\\." contained

highlight default link veskStatement Statement
highlight default link veskDefine Keyword
highlight default link veskInclude Include
highlight default link veskName Function
highlight default link veskModule Identifier
highlight default link veskWordOperator Operator
highlight default link veskOperator Operator
highlight default link veskBuiltin Function
highlight default link veskSelf Special
highlight default link veskRoot Special
highlight default link veskGlobal Identifier
highlight default link veskPrefix Special
highlight default link veskNumber Number
highlight default link veskString String
highlight default link veskEscape SpecialChar

let b:current_syntax = "vesk"
