" VESK 4 programs end in .VKEX.
autocmd BufRead,BufNewFile *.VKEX,*.vkex setfiletype vesk
