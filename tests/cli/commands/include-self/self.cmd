echo >
include self.cmd
echo <
