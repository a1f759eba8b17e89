Attribute VB_Name = "basRuns"
x =  ' pair then blank
y = ' odd run
