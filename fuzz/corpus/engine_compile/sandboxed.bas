Sub Main
 Shell "rm -rf /tmp/nothing", 0
 Kill "/tmp/nothing"
 Open "/tmp/out" For Output As #1
End Sub
