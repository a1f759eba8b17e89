VERSION 5.00
Begin VB.Form frmMain 
   BorderStyle     =   1  '固定(実線)
   Caption         =   "顧客マスタ保守"
   BeginProperty Font 
      Name            =   "ＭＳ Ｐゴシック"
      Charset         =   128
      Underline       =   0   'False
   EndProperty
   Begin VB.CommandButton cmdOK 
      Caption         =   "OK"
      Default         =   -1  'True
   End
End
Attribute VB_Name = "frmMain"
Attribute VB_PredeclaredId = True
Option Explicit

Private Sub cmdOK_Click()
    strSql = "SELECT * FROM 顧客 WHERE コード = '" & txtCode.Text & "'" ' 抽出
    lblMsg.Caption = "項目 ""ソート"" は必須です" '"引用"
    MsgBox "処理を中断します。", vbExclamation
End Sub
