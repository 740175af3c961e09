' The setup script: runs after the Install tasks with the four constants set, and leaves
' a note of them in the installation folder.
Dim fso, f
Set fso = CreateObject("Scripting.FileSystemObject")
Set f = fso.CreateTextFile(wbProgDir & "script.txt", True)
f.WriteLine "wbProgDir=" & wbProgDir
f.WriteLine "wbSetupDir=" & wbSetupDir
f.WriteLine "wbStartMenuDir=" & wbStartMenuDir
f.WriteLine "wbGUID=" & wbGUID
f.Close
