Attribute VB_Name = "basArabic"
Set r = Find("nameö", "ID<>'" & Trim(x) & "'")
