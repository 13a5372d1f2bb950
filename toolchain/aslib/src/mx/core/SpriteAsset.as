package mx.core
{
	import flash.display.Sprite;

	/**
	 * Base of the classes the compiler makes for [Embed] symbols with one
	 * frame, and for images embedded with a scaling grid.
	 */
	public class SpriteAsset extends Sprite implements IFlexAsset
	{
		private var m_measuredWidth:Number;
		private var m_measuredHeight:Number;

		public function SpriteAsset()
		{
			super();
			// The size the symbol was drawn at, kept before anyone scales it.
			m_measuredWidth = width;
			m_measuredHeight = height;
		}

		public function get measuredWidth():Number
		{
			return m_measuredWidth;
		}

		public function get measuredHeight():Number
		{
			return m_measuredHeight;
		}

		public function move(x:Number, y:Number):void
		{
			this.x = x;
			this.y = y;
		}

		public function setActualSize(newWidth:Number, newHeight:Number):void
		{
			width = newWidth;
			height = newHeight;
		}
	}
}
