VERSION 5.00
Begin VB.Form frmAttr 
   Begin VB.Label lblATTRIBUTEName 
      Caption = "x" 'kept: a name is no Attribute line
   End
End
Attribute VB_Name = "frmAttr"
x = 1 ' cut
