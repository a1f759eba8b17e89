Attribute VB_Name = "basBlocks"
Option Explicit
s = "a literal long enough to run across the boundary of a block ' of sixty-four" ' cut
x = 1 ' a comment long enough to run across the boundary of a block of sixty-four bytes
' a comment with one " quote, so its quotes are odd
y = "it's" ' cut
z = 3 ' continued _
  swallowed

w = 4 ' cut
lone = 5 ' cut
v = 6 ' cut
v = 6 ' cut
v = 6 ' cut
v = 6 ' cut
v = 6 ' cut
v = 6 ' cut
