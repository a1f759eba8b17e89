Attribute VB_Name = "basEmpty"
x = 1 ' note _

y = 2 ' cut
