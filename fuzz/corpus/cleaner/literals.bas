Attribute VB_Name = "basLit"
Option Explicit
s = "it's" ' comment
s = "He said ""don't"""
s = "unterminated ' literal
s = "" ' empty literal
s = "a" & "'" & "b" ' three literals
s = """" ' a quote
'''' only apostrophes
"'"'"
