Attribute VB_Name = "basEnds"Option Explicit
x = 1 ' lone LF
Attribute y = 2 ' attribute in code

z = "'" ' last line without end