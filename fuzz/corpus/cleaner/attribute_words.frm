VERSION 5.00
Begin VB.Form frmWords 
   Caption         =   "Attribute"
   OtherAttributes = ""
   Begin VB.TextBox txtAttribute 
      Underline       =   0   'False
   End
End
Attribute VB_Name = "frmWords"
  attribute x.VB_UserMemId = 0
Attribute
	ATTRIBUTE	VB_Exposed = False
Attribute=1 ' code from here
Attributes x ' cut
