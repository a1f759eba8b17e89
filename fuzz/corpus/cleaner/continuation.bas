Attribute VB_Name = "basCont"
Option Explicit
x = 1 ' comment continued _
  this line is comment too _
  and this one
y = 2
z = 3 '_ no blank before the underscore
a = 4
b = 5 ' x_
c = 6
d = 7 ' _x
e = 8
f = 9 ' tab	_	 
  continued by a tab
g = 10 '  _
h = 11 ' lead then blank ƒ _
i = 12
Call Foo(1, _
    2) ' code continuation, not a comment one
j = 13
