Attribute VB_Name = "basDbcs"
Option Explicit
s = "É\ï\" ' É\Å[Ég
t = 1 É' not a comment start ' but this is
u = É"abc' still outside a literal
v = "É" ' inside the literal: the lead byte takes the quote
w = 2 ' ends with a lead byte É
Åf fullwidth apostrophe Å@ ideographic space
∫∞ƒﬁ = 3 ' halfwidth katakana
